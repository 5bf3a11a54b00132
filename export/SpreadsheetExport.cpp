// "Save Results As Excel File": copies the results list into a new workbook
// of the spreadsheet application and shows it to the user, unsaved.
//
// Sheet layout: the column captions in row 1; list row r in sheet row r + 1,
// so an unchecked row leaves its sheet row empty; every value as text, with
// each "=" taken out of columns 2 and up. Columns are fitted after each
// caption and once more at the end.
//
// The cells go over in blocks of rows (one call into the application per
// block instead of one per cell). When the application or its document goes
// away in the middle, the first failure is reported and the export stops,
// instead of one report per remaining call. Rows beyond the sheet's last row
// are counted and reported in one message.
//
// Threads: the list is read, and every report is shown, on the window
// thread; the calls into the application (starting it, the workbook, the
// cells, the fitting, showing it) run one after another on a thread of the
// command's own, while the window thread waits for each by processing its
// events. So the window never waits on the application: it keeps painting,
// takes clicks, and answers the application's own requests (an office that
// asks this program for the clipboard would otherwise wait for us while we
// wait for it). The calls get copies of the texts and share only the
// application objects, which the window thread never touches.
//
// The window closing (pacing.stop()) ends the reading of rows; the calls
// still due (fitting, showing what was written) get kStoppedGraceMs to
// finish. A call that is still running then is abandoned: its thread is
// detached, drops the calls not yet made, releases the application objects
// when the call returns, and ends; the command returns at once, so an
// application that hangs can never keep the program from ending.
//
// Each call also has the launcher's deadline (minutes): a call that has not
// ended by then is abandoned in the same way, the application is reported
// as not answering (under the call's statement number), and the export
// ends as after any loss of the application.

#include <QString>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

#include "export/SpreadsheetExport.h"

#include "export/Spreadsheet.h"
#include "shell/ErrorReport.h"
#include "shell/ListView.h"
#include "shell/WindowPointer.h"
#include "shell/Yield.h"

namespace bw {

namespace {

// Rows per block written in one call. Measured against LibreOffice Calc:
// blocks of 512 to 4096 rows write about equally fast (smaller ones pay
// for the calls). The window does not wait on a block, so the size only
// sets how much text one call carries.
constexpr int kBlockRows = 512;

// How long the calls still due may take once the window has closed.
constexpr int kStoppedGraceMs = 3000;

// How long the window thread waits for a call before it processes its
// events again.
constexpr std::chrono::milliseconds kEventPoll{5};

// One thread that makes the calls handed to it, in order. Its queue lives
// as long as the thread itself, so a detached thread touches nothing that
// the command frees.
class CallThread {
public:
    CallThread() : queue_(std::make_shared<Queue>()) {
        thread_ = std::thread([queue = queue_] { Run(*queue); });
    }
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    // Ends the thread once its queue is done: joined, or, once abandoned,
    // left to end on its own.
    ~CallThread() {
        {
            std::lock_guard lock(queue_->mutex);
            queue_->closing = true;
        }
        queue_->wake.notify_all();
        if (abandoned_)
            thread_.detach();
        else
            thread_.join();
    }

    // Queues a call; its result or failure comes through the future.
    template <class F>
    auto Post(F call) -> std::future<std::invoke_result_t<F>> {
        using R = std::invoke_result_t<F>;
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(call));
        std::future<R> result = task->get_future();
        {
            std::lock_guard lock(queue_->mutex);
            queue_->calls.emplace_back([task] { (*task)(); });
        }
        queue_->wake.notify_one();
        return result;
    }

    // Drops the calls not yet made; the one in progress finishes on its own.
    void Abandon() {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard lock(queue_->mutex);
            dropped.swap(queue_->calls);
        }
        abandoned_ = true;
    }

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void()>> calls;
        bool closing = false;
    };

    static void Run(Queue& queue) {
        for (;;) {
            std::function<void()> call;
            {
                std::unique_lock lock(queue.mutex);
                queue.wake.wait(lock, [&] { return queue.closing || !queue.calls.empty(); });
                if (queue.calls.empty()) return;
                call = std::move(queue.calls.front());
                queue.calls.pop_front();
            }
            call();
        }
    }

    std::shared_ptr<Queue> queue_;
    std::thread thread_;
    bool abandoned_ = false;
};

// The application objects of one export, shared by the calls that use them.
struct OfficeObjects {
    std::unique_ptr<SpreadsheetApplication> application;
    std::unique_ptr<SpreadsheetWorkbook> workbook;
    // The workbook first: it belongs to the application.
    void Release() {
        workbook.reset();
        application.reset();
    }
};

// Once the window has gone away, the time left for the calls still due.
class StopGrace {
public:
    explicit StopGrace(std::function<bool()> stopped) : stopped_(std::move(stopped)) {}
    bool Over() {
        if (!deadline_ && stopped_()) deadline_ = Clock::now() + std::chrono::milliseconds(kStoppedGraceMs);
        return deadline_ && Clock::now() >= *deadline_;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::function<bool()> stopped_;
    std::optional<Clock::time_point> deadline_;
};

enum class Awaited { Done, WindowGone, TimedOut };

// Waits for a call while the window processes its events, until the call
// is done, the window went away and the grace ran out, or the deadline
// passed. A call found done after the events were processed (which may take
// long: a nested command's dialog) counts as done whatever the time.
template <class R>
Awaited AwaitProcessingEvents(const std::future<R>& done, StopGrace& grace,
                              std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        if (done.wait_for(kEventPoll) == std::future_status::ready) return Awaited::Done;
        YieldToEvents();
        if (done.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready) return Awaited::Done;
        if (grace.Over()) return Awaited::WindowGone;
        if (std::chrono::steady_clock::now() >= deadline) return Awaited::TimedOut;
    }
}

QString WithoutEquals(QString text) {
    text.remove(QLatin1Char('='));
    return text;
}

QString RowsLeftOutMessage(long long leftOut, int sheetRows) {
    return QStringLiteral(
               "The sheet holds %1 rows, including the header row, so %2 result %3 after sheet row %1 %4 left out.")
        .arg(sheetRows)
        .arg(leftOut)
        .arg(leftOut == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
        .arg(leftOut == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

}  // namespace

SpreadsheetError SpreadsheetError::NotAnswering(std::chrono::milliseconds deadline) {
    const long long seconds = std::max<long long>(1, (deadline.count() + 999) / 1000);
    QString span;
    if (seconds % 60 == 0)
        span = seconds == 60 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(seconds / 60);
    else
        span = seconds == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(seconds);
    return SpreadsheetError(QStringLiteral("The spreadsheet application is not answering: a call into it did not "
                                           "finish within %1, so the export was stopped.")
                                .arg(span)
                                .toStdString(),
                            true);
}

bool SpreadsheetApplicationAvailable(SpreadsheetLauncher* launcher) {
    try {
        return launcher != nullptr && launcher->Available();
    } catch (...) {
        return false;
    }
}

// Reports under the caller's trap, with the statements of
// PushButton13_ClickSteps.
void SaveListviewToSpreadsheet(ListView& list, SpreadsheetLauncher& launcher, ErrorReport& trap, WindowPointer& pointer,
                               Dialogs& dialogs, const QString& title, const Pacing& pacing) {
    using At = PushButton13_ClickSteps;
    auto stopped = [&] { return pacing.stop && pacing.stop(); };
    trap.Step(At::kBusyPointer, [&] { pointer.Set(kPointerBusy); });

    auto office = std::make_shared<OfficeObjects>();
    std::optional<CallThread> calls;  // started by the first call
    StopGrace grace(stopped);
    bool abandoned = false;
    Pacer pacer(pacing);
    const std::chrono::milliseconds callDeadline = launcher.CallDeadline();

    // Runs one call into the application on the call thread, as statement
    // `line`, and stores its result in *out (when given). Returns false
    // when the export must stop: the application is lost (or was never
    // reached, or does not answer), so every further call would fail as
    // well, and the failure is reported once; or the window went away and
    // the call was abandoned.
    auto automation = [&](int line, auto call, auto out) {
        bool lost = false;
        trap.Step(line, [&] {
            if (!calls) calls.emplace();
            auto done = calls->Post(std::move(call));
            switch (AwaitProcessingEvents(done, grace, std::chrono::steady_clock::now() + callDeadline)) {
                case Awaited::Done:
                    break;
                case Awaited::WindowGone:
                    abandoned = true;
                    return;
                case Awaited::TimedOut:
                    abandoned = true;
                    lost = true;
                    throw SpreadsheetError::NotAnswering(callDeadline);
            }
            try {
                if constexpr (std::is_same_v<decltype(out), std::nullptr_t>)
                    done.get();
                else
                    *out = done.get();
            } catch (const SpreadsheetError& e) {
                lost = e.Lost();
                throw;
            }
        });
        return !lost && !abandoned;
    };
    auto finish = [&] {
        // The objects are released by the thread that used them.
        if (calls && !abandoned) {
            auto done = calls->Post([office] { office->Release(); });
            abandoned =
                AwaitProcessingEvents(done, grace, std::chrono::steady_clock::now() + callDeadline) != Awaited::Done;
        }
        if (calls && abandoned) calls->Abandon();
        calls.reset();
        trap.Step(At::kNormalPointer, [&] { pointer.Set(kPointerNormal); });
    };
    constexpr std::nullptr_t noResult = nullptr;

    bool started = false;
    if (!automation(
            At::kStartApplication,
            [office, &launcher] {
                office->application = launcher.Start();
                return office->application != nullptr;
            },
            &started) ||
        !started)
        return finish();
    bool added = false;
    if (!automation(
            At::kAddWorkbook,
            [office] {
                office->workbook = office->application->AddWorkbook();
                return office->workbook != nullptr;
            },
            &added) ||
        !added)
        return finish();

    // Header row.
    int i = 1;  // the sheet column of the next caption
    int columns = 0;
    trap.Step(At::kCountColumns, [&] { columns = list.ColumnCount(); });
    bool stopWriting = false;
    for (int c = 1; c <= columns && !stopWriting; ++c) {
        trap.Step(At::kLetWindowRun, [&] { pacer.Yield(); });
        if (stopped()) {
            stopWriting = true;
            break;
        }
        QString caption;
        bool read = false;
        trap.Step(At::kWriteCaption, [&] {
            caption = list.ColumnCaption(c);
            read = true;
        });
        if (read &&
            !automation(
                At::kWriteCaption, [office, i, caption] { office->workbook->SetCellText(1, i, caption); }, noResult))
            return finish();
        ++i;
        if (!automation(
                At::kFitColumn, [office, c] { office->workbook->FitColumn(c); }, noResult))
            return finish();
    }

    // Data rows, gathered into blocks of whole sheet rows.
    int j = 2;  // the sheet row of the next list row
    int rows = 0;
    trap.Step(At::kCountRows, [&] { rows = list.RowCount(); });
    int sheetRows = 1048576;
    if (!automation(
            At::kSheetRows, [office] { return office->workbook->SheetRows(); }, &sheetRows))
        return finish();
    const int fittingRows = std::min(rows, std::max(sheetRows - 1, 0));

    const int blockColumns = std::max(columns, 1);
    CellBlock block(blockColumns);
    int blockTop = j;
    auto flush = [&] {
        if (block.Empty()) return true;
        const bool ok = automation(
            At::kWriteBlock,
            [office, top = blockTop, cells = std::make_shared<CellBlock>(std::move(block))] {
                office->workbook->SetBlockText(top, 1, *cells);
            },
            noResult);
        block = CellBlock(blockColumns);
        blockTop = j;
        return ok;
    };

    std::size_t rowCost = 1;  // of the row before, for the pacing
    for (int r = 1; r <= fittingRows && !stopWriting; ++r) {
        trap.Step(At::kPaceRows, [&] {
            if (pacer.Tick(rowCost)) pacer.Yield();
        });
        rowCost = 1;
        if (stopped()) break;
        bool listShrank = false;
        const bool checked = trap.Test(At::kRowChecked, [&] {
            try {
                return list.Checked(r);
            } catch (...) {
                // Rows removed meanwhile (e.g. by "Clear Results"): the one
                // report is enough; no later row exists either.
                listShrank = r > list.RowCount();
                throw;
            }
        });
        if (listShrank) break;
        const int row = block.AddRow();
        if (checked && columns > 0) {
            // The row's cells go into the block; the pacing above serves
            // for the cells too.
            for (int c = 1; c <= columns; ++c) {
                trap.Step(At::kReadCell, [&] {
                    block.At(row, c - 1) = c == 1 ? list.RowText(r) : WithoutEquals(list.SubItem(r, c - 1));
                    rowCost += RowCost(static_cast<std::size_t>(block.At(row, c - 1).size())) - 1;
                });
            }
        }
        ++j;
        if (block.Rows() >= kBlockRows && !flush()) return finish();
    }
    if (!flush()) return finish();

    // Checked rows that had no sheet row left.
    long long leftOut = 0;
    trap.Step(At::kCountLeftOut, [&] {
        if (stopped() || rows <= fittingRows) return;
        const int now = std::min(rows, list.RowCount());
        for (int r = fittingRows + 1; r <= now; ++r)
            if (list.Checked(r)) ++leftOut;
    });

    if (!automation(
            At::kFitAllColumns, [office] { office->workbook->FitAllColumns(); }, noResult))
        return finish();
    if (!automation(
            At::kShowApplication, [office] { office->application->SetVisible(); }, noResult))
        return finish();
    if (leftOut > 0)
        trap.Step(At::kTellLeftOut,
                  [&] { dialogs.MessageBox(RowsLeftOutMessage(leftOut, sheetRows), kMsgOkOnly, title); });
    finish();
}

}  // namespace bw
