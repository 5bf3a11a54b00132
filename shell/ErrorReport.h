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
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "Platform.h"

namespace bw {

// Each trapped procedure's location string, and the numbers of its
// statements as the error report shows them ("at line N"). A statement that
// cannot fail has a number too, but no name here: it is never reported.

inline constexpr const char* kLocForm_Load = "in Quorvane2021/08/31.Form1.Form_Load ";
struct Form_LoadSteps {
    enum : int {
        kApplySkin = 102,
        kTitleAndIcon = 104,
        kCursorFileThere = 106,
        kLoadCursor = 108,
        kHomePage = 110,
        kInputCaption = 128,
        kInputWidth = 130,
        kRestoreOption1 = 132,
        kRestoreOption2 = 134,
        kFullResults = 136,
        kReadStoredList = 158,
        kAnyStoredList = 160,
        kStoredPieceNotEmpty = 166,
        kRestoreRow = 168,
        kSelectFirstConversion = 196,
    };
    // The conversion names put into the option box, one statement each.
    static constexpr int kAddConversion[12] = {172, 174, 176, 178, 180, 182, 184, 186, 188, 190, 192, 194};
};

// The statements that lay out the results list's columns, in each display
// mode: clearing the columns, then each caption, then each width.
struct ResultColumnSteps {
    int clearColumns;
    int captions[3];
    int widths[3];
};
inline constexpr ResultColumnSteps kFullResultColumnSteps{138, {140, 142, 144}, {146, 148, 150}};
inline constexpr ResultColumnSteps kResultsOnlyColumnSteps{152, {154}, {156}};

inline constexpr const char* kLocForm_QueryUnload = "in Quorvane2021/08/31.Form1.Form_QueryUnload ";
struct Form_QueryUnloadSteps {
    enum : int { kCountRows = 102, kReadRow = 104, kSaveList = 110, kLetWindowRun = 112 };
};

// "Clear List"
inline constexpr const char* kLocPushButton1_Click = "in Quorvane2021/08/31.Form1.PushButton1_Click ";
struct PushButton1_ClickSteps {
    enum : int { kClearInput = 100 };
};

// "Clear Results"
inline constexpr const char* kLocPushButton2_Click = "in Quorvane2021/08/31.Form1.PushButton2_Click ";
struct PushButton2_ClickSteps {
    enum : int { kClearResults = 100 };
};

// "Load Numbers From File", and the loading of dropped files.
inline constexpr const char* kLocPushButton3_Click = "in Quorvane2021/08/31.Form1.PushButton3_Click ";
struct PushButton3_ClickSteps {
    enum : int {
        kForgetPicked = 100,
        kDialogTitle = 102,
        kTextFilesFilter = 104,
        kAllFilesFilter = 106,
        kAskForFiles = 108,
        kNonePicked = 110,
        kRememberPicked = 112,
        kJoinPaths = 112,
        kBusyPointer = 114,
        kOneFile = 116,
        kTakeTheFile = 118,
        kLoadTheFile = 120,
        kCountFiles = 122,
        kLoadEachFile = 134,
        kNormalPointer = 138,
    };
};

// "Save Results As Text File"
inline constexpr const char* kLocPushButton4_Click = "in Quorvane2021/08/31.Form1.PushButton4_Click ";
struct PushButton4_ClickSteps {
    enum : int {
        kDialogTitle = 100,
        kFilters = 102,
        kAskForName = 104,
        kNoName = 106,
        kBusyPointer = 108,
        kSave = 110,
        kNormalPointer = 112,
    };
};

// "Copy Results To Clipboard"
inline constexpr const char* kLocPushButton5_Click = "in Quorvane2021/08/31.Form1.PushButton5_Click ";
struct PushButton5_ClickSteps {
    enum : int { kCopy = 100, kTellCopied = 102 };
};

// "Add Number or Numbers"
inline constexpr const char* kLocPushButton6_Click = "in Quorvane2021/08/31.Form1.PushButton6_Click ";
struct PushButton6_ClickSteps {
    enum : int {
        kAskForNumbers = 100,
        kNothingTyped = 102,
        kSplitAtCommas = 104,
        kNoPieces = 106,
        kTrimPiece = 110,
        kAddPiece = 112,
    };
};

// "Load Sample/Example Numbers"
inline constexpr const char* kLocPushButton7_Click = "in Quorvane2021/08/31.Form1.PushButton7_Click ";
struct PushButton7_ClickSteps {
    enum : int { kFirstSample = 100, kSecondSample = 102, kThirdSample = 104 };
};

// "Save Results As Excel File": the command, then the export it runs
// under the same location.
inline constexpr const char* kLocPushButton13_Click = "in Quorvane2021/08/31.Form1.PushButton13_Click ";
struct PushButton13_ClickSteps {
    enum : int {
        kNoSpreadsheetApplication = 100,
        kNoResults = 102,
        kBusyPointer = 104,
        kStartApplication = 106,
        kAddWorkbook = 108,
        kCountColumns = 112,
        kLetWindowRun = 114,
        kWriteCaption = 116,
        kFitColumn = 120,
        kCountRows = 124,
        kSheetRows = 126,
        kPaceRows = 128,
        kRowChecked = 130,
        kReadCell = 136,
        kWriteBlock = 144,
        kCountLeftOut = 146,
        kFitAllColumns = 148,
        kShowApplication = 150,
        kTellLeftOut = 152,
        kNormalPointer = 154,
    };
};

// "Start Converting"
inline constexpr const char* kLocPushButton17_Click = "in Quorvane2021/08/31.Form1.PushButton17_Click ";
struct PushButton17_ClickSteps {
    enum : int {
        kNoEntries = 100,
        kCountEntries = 102,
        kBusyPointer = 106,
        kReadEntry = 110,
        kCheckLength = 184,
        kConvert = 190,
        kAddResultRow = 192,
        kProgressValue = 202,
        kProgressText = 204,
        kNormalPointer = 210,
        kResetBarValue = 212,
        kResetBarText = 214,
        kTellDone = 216,
        kTellNoNumbers = 218,
    };
};

inline constexpr const char* kLocSaveListviewProperlySpaced = "in Quorvane2021/08/31.Main.SaveListviewProperlySpaced ";
struct SaveListviewProperlySpacedSteps {
    enum : int {
        kFirstProgress = 100,
        kCountList = 102,
        kMeasureCaption = 104,
        kMeasureRow = 106,
        kSecondProgress = 108,
        kOpenFile = 110,
        kWriteHeader = 112,
        kThirdProgress = 114,
        kLetWindowRun = 116,
        kRowChecked = 118,
        kWriteRow = 120,
        kFlush = 122,
        kDoneText = 124,
        kCommit = 126,
        kIdleBar = 128,
    };
};

inline constexpr const char* kErrorReportTitle = "Application Error";
// The description of a statement that failed for want of memory.
inline constexpr const char* kOutOfMemoryReport = "Out of memory: this step could not be completed";
inline constexpr const char* kSupportAddress = "support@basewright.example";

// The one rule for a failure that no error report covers. A handler
// without a trap of its own (the option buttons, keys and double-clicks on
// the lists, the pointer's hover, dropped files, the unload) runs through
// RunUntrapped: a failure never reaches Qt's event loop and is not shown
// (there is no report box for these events); it is written to standard
// error as one line, "basewright: NAME failed: WHAT", and the window goes on.
template <class F>
void RunUntrapped(const char* name, F&& handler) noexcept {
    try {
        handler();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "basewright: %s failed: %s\n", name, kOutOfMemoryReport);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "basewright: %s failed: %s\n", name, e.what());
    } catch (...) {
        std::fprintf(stderr, "basewright: %s failed\n", name);
    }
}

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
