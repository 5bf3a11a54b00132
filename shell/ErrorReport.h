#pragma once

// The uniform error trap of the trapped procedures.
//
// A trapped procedure creates one ErrorReport with its location string and
// runs each numbered statement through Step() (or Test() for a condition).
// A statement that throws shows the "Application Error" box, then the
// procedure goes on with its next statement, inside loops too:
//
//     ErrorReport trap(platform.dialogs, kLocPushButton6_Click);
//     QString text;
//     trap.Step(100, [&] { text = InputBox(...); });
//     if (trap.Test(102, [&] { return text.isEmpty(); })) return;
//
// A failing Test() counts as true: execution goes on with the first
// statement of the condition's own branch. A failure inside a callee that
// has no trap of its own is reported with the caller's statement number.
// Running out of memory is worded plainly (kOutOfMemoryReport) where
// the runtime would only say "std::bad_alloc".

#include <QString>
#include <exception>
#include <new>
#include <string>

#include "Platform.h"

namespace bw {

inline constexpr const char* kLocForm_Load = "in Quorvane2021/08/31.Form1.Form_Load ";
inline constexpr const char* kLocForm_QueryUnload = "in Quorvane2021/08/31.Form1.Form_QueryUnload ";
inline constexpr const char* kLocPushButton1_Click = "in Quorvane2021/08/31.Form1.PushButton1_Click ";
inline constexpr const char* kLocPushButton2_Click = "in Quorvane2021/08/31.Form1.PushButton2_Click ";
inline constexpr const char* kLocPushButton3_Click = "in Quorvane2021/08/31.Form1.PushButton3_Click ";
inline constexpr const char* kLocPushButton4_Click = "in Quorvane2021/08/31.Form1.PushButton4_Click ";
inline constexpr const char* kLocPushButton5_Click = "in Quorvane2021/08/31.Form1.PushButton5_Click ";
inline constexpr const char* kLocPushButton6_Click = "in Quorvane2021/08/31.Form1.PushButton6_Click ";
inline constexpr const char* kLocPushButton7_Click = "in Quorvane2021/08/31.Form1.PushButton7_Click ";
inline constexpr const char* kLocPushButton13_Click = "in Quorvane2021/08/31.Form1.PushButton13_Click ";
inline constexpr const char* kLocPushButton17_Click = "in Quorvane2021/08/31.Form1.PushButton17_Click ";
inline constexpr const char* kLocSaveListviewProperlySpaced = "in Quorvane2021/08/31.Main.SaveListviewProperlySpaced ";

inline constexpr const char* kErrorReportTitle = "Application Error";
// The description of a statement that failed for want of memory.
inline constexpr const char* kOutOfMemoryReport = "Out of memory: this step could not be completed";
inline constexpr const char* kSupportAddress = "support@basewright.example";

class ErrorReport {
public:
    ErrorReport(Dialogs& dialogs, const char* location) : dialogs_(dialogs), location_(location) {}

    // Runs one numbered statement; a failure is reported and swallowed.
    template <class F>
    void Step(int line, F&& statement) {
        line_ = line;
        try {
            statement();
        } catch (const std::bad_alloc&) {
            Report(kOutOfMemoryReport);
        } catch (const std::exception& e) {
            Report(e.what());
        } catch (...) {
            Report("");
        }
    }

    // Evaluates one numbered condition; a failure is reported and counts as true.
    template <class F>
    bool Test(int line, F&& condition) {
        line_ = line;
        try {
            return static_cast<bool>(condition());
        } catch (const std::bad_alloc&) {
            Report(kOutOfMemoryReport);
        } catch (const std::exception& e) {
            Report(e.what());
        } catch (...) {
            Report("");
        }
        return true;
    }

    int Line() const { return line_; }
    int ReportCount() const { return reports_; }

    // Shows the report for a failure at the current statement.
    void Report(const std::string& description);

    // description "\r\n" location "at line " N "\r" "\r" "Please email screenshot ..."
    static QString MessageText(const QString& description, const char* location, int line);

private:
    Dialogs& dialogs_;
    const char* location_;
    int line_ = 0;
    int reports_ = 0;
};

}  // namespace bw
