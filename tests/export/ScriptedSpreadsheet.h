#pragma once

// A scripted spreadsheet application for tests of the export command: it
// records every call, keeps the cells written, can fail one call or lose
// the application from some call on, can hold one call until released,
// and reports which objects are still held.
//
// The export makes its calls on a thread of its own. The hook onCall still
// runs on the window thread, as a user's click would, while the call waits
// for it; so it runs only if the window keeps processing its events.

#include <QCoreApplication>
#include <QMetaObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "export/Spreadsheet.h"

namespace bw {

class ScriptedSpreadsheet : public SpreadsheetLauncher {
public:
    // Answers and failures.
    bool available = true;
    bool availableThrows = false;
    int sheetRows = 1048576;
    int failAtCall = 0;  // the call with this number (from 1) fails, once
    int loseAtCall = 0;  // this call and every later one fail as lost
    std::string failure = "Scripted failure";
    // Runs at the start of every call, with its number and its record, on
    // the window thread.
    std::function<void(int, const std::string&)> onCall;
    // The call with this number waits until Release() (or gives up after
    // holdLimit and goes on, noting heldTooLong).
    int holdAtCall = 0;
    std::chrono::milliseconds holdLimit{10000};
    // How long the export lets a call take.
    std::chrono::milliseconds callDeadline = kSpreadsheetCallDeadline;

    // What happened.
    std::vector<std::string> calls;                // "Start", "SetCellText 1 1 Numbers", ...
    std::map<std::pair<int, int>, QString> cells;  // (row, column) -> non-empty text written
    std::atomic<int> liveObjects{0};               // applications and workbooks not yet released
    std::atomic<int> objectsMade{0};               // applications and workbooks made
    std::vector<std::string> releases;             // "workbook", "application", in order
    std::atomic<bool> holding{false};              // the held call is waiting now
    std::atomic<bool> heldTooLong{false};          // it went on without Release()

    void Release() {
        {
            std::lock_guard lock(holdMutex_);
            released_ = true;
        }
        holdWake_.notify_all();
    }

    bool Available() override {
        calls.push_back("Available");
        if (availableThrows) throw SpreadsheetError("Scripted failure of the test", false);
        return available;
    }
    std::unique_ptr<SpreadsheetApplication> Start() override {
        Enter("Start");
        return std::make_unique<App>(*this);
    }
    std::chrono::milliseconds CallDeadline() const override { return callDeadline; }

private:
    class Book : public SpreadsheetWorkbook {
    public:
        explicit Book(ScriptedSpreadsheet& s) : s_(s) {
            ++s_.liveObjects;
            ++s_.objectsMade;
        }
        ~Book() override {
            s_.releases.push_back("workbook");
            --s_.liveObjects;
        }
        void SetCellText(int row, int column, const QString& text) override {
            s_.Enter("SetCellText " + std::to_string(row) + " " + std::to_string(column) + " " + text.toStdString());
            s_.Put(row, column, text);
        }
        void SetBlockText(int row, int column, const CellBlock& block) override {
            s_.Enter("SetBlockText " + std::to_string(row) + " " + std::to_string(column) + " " +
                     std::to_string(block.Rows()) + "x" + std::to_string(block.Columns()));
            for (int r = 0; r < block.Rows(); ++r)
                for (int c = 0; c < block.Columns(); ++c) s_.Put(row + r, column + c, block.At(r, c));
        }
        void FitColumn(int column) override { s_.Enter("FitColumn " + std::to_string(column)); }
        void FitAllColumns() override { s_.Enter("FitAllColumns"); }
        int SheetRows() override {
            s_.Enter("SheetRows");
            return s_.sheetRows;
        }

    private:
        ScriptedSpreadsheet& s_;
    };

    class App : public SpreadsheetApplication {
    public:
        explicit App(ScriptedSpreadsheet& s) : s_(s) {
            ++s_.liveObjects;
            ++s_.objectsMade;
        }
        ~App() override {
            s_.releases.push_back("application");
            --s_.liveObjects;
        }
        std::unique_ptr<SpreadsheetWorkbook> AddWorkbook() override {
            s_.Enter("AddWorkbook");
            return std::make_unique<Book>(s_);
        }
        void SetVisible() override { s_.Enter("SetVisible"); }

    private:
        ScriptedSpreadsheet& s_;
    };

    void Enter(const std::string& record) {
        calls.push_back(record);
        const int n = ++callNumber_;
        if (onCall) OnWindowThread([&] { onCall(n, record); });
        if (n == holdAtCall) Hold();
        if (loseAtCall > 0 && n >= loseAtCall) throw SpreadsheetError("Scripted loss of the application", true);
        if (n == failAtCall) throw SpreadsheetError(failure, false);
    }
    void Put(int row, int column, const QString& text) {
        if (!text.isEmpty()) cells[{row, column}] = text;
    }

    // Runs f on the window thread and waits for it.
    static void OnWindowThread(const std::function<void()>& f) {
        QCoreApplication* app = QCoreApplication::instance();
        if (QThread::currentThread() == app->thread()) return f();
        std::promise<void> ran;
        std::future<void> done = ran.get_future();
        QMetaObject::invokeMethod(
            app,
            [&] {
                f();
                ran.set_value();
            },
            Qt::QueuedConnection);
        if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            std::fprintf(stderr, "ScriptedSpreadsheet: the window thread processed no events for 30 s\n");
            std::abort();
        }
    }
    void Hold() {
        std::unique_lock lock(holdMutex_);
        holding = true;
        if (!holdWake_.wait_for(lock, holdLimit, [this] { return released_; })) heldTooLong = true;
        holding = false;
    }

    int callNumber_ = 0;  // calls of the application and its workbooks (not Available)
    std::mutex holdMutex_;
    std::condition_variable holdWake_;
    bool released_ = false;
};

}  // namespace bw
