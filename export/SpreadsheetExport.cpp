// "Save Results As Excel File": copies the results list into a new workbook
// of the spreadsheet application and shows it to the user, unsaved.
//
// Sheet layout: the column captions in row 1; list row r in sheet row r + 1,
// so an unchecked row leaves its sheet row empty; every value as text, with
// each "=" taken out of columns 2 and up. Columns are fitted after each
// caption and once more at the end.
//
// The cells go over in blocks of rows (one call into the application per
// block instead of one per cell), and the window processes its events on a
// time slice meanwhile. When the application or its document goes away in
// the middle, the first failure is reported and the export stops, instead
// of one report per remaining call. Rows beyond the sheet's last row are
// counted and reported in one message.

#include <QString>
#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

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
// for the calls), and one call of 512 rows takes under 20 ms, so the
// window is never held up long.
constexpr int kBlockRows = 512;

// Runs a call that may take long (fitting the columns over many rows) on a
// helper thread while the window keeps processing its events; its failure
// is passed on.
template <class F>
void WhileProcessingEvents(F&& call) {
    std::future<void> done = std::async(std::launch::async, std::forward<F>(call));
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) YieldToEvents();
    done.get();
}

QString WithoutEquals(QString text) {
    text.remove(QLatin1Char('='));
    return text;
}

QString RowsLeftOutMessage(long long leftOut, int sheetRows) {
    return QStringLiteral("The sheet holds %1 rows, including the header row, so %2 result %3 after sheet row %1 %4 left out.")
        .arg(sheetRows)
        .arg(leftOut)
        .arg(leftOut == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
        .arg(leftOut == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

}  // namespace

bool SpreadsheetApplicationAvailable(SpreadsheetLauncher* launcher) {
    try {
        return launcher != nullptr && launcher->Available();
    } catch (...) {
        return false;
    }
}

// Statement numbers for the error report run 104, 106, ... through the
// command's steps; the few that cannot fail are noted in comments.
void SaveListviewToSpreadsheet(ListView& list, SpreadsheetLauncher& launcher, ErrorReport& trap, WindowPointer& pointer,
                               Dialogs& dialogs, const QString& title, const ExportPacing& pacing) {
    auto stopped = [&] { return pacing.stop && pacing.stop(); };
    trap.Step(104, [&] { pointer.Set(kPointerBusy); });

    // Declared before the workbook, so that the workbook is released first.
    std::unique_ptr<SpreadsheetApplication> application;
    std::unique_ptr<SpreadsheetWorkbook> workbook;
    TimeSliceYield yielder(pacing.yieldSliceMs);

    // Runs one call into the application. Returns false when the export
    // must stop: the application is lost (or was never reached), so every
    // further call would fail as well; the failure is reported once.
    auto automation = [&](int line, auto&& call) {
        bool lost = false;
        trap.Step(line, [&] {
            try {
                call();
            } catch (const SpreadsheetError& e) {
                lost = e.Lost();
                throw;
            }
        });
        return !lost;
    };
    auto finish = [&] { trap.Step(154, [&] { pointer.Set(kPointerNormal); }); };

    if (!automation(106, [&] { application = launcher.Start(); }) || !application) return finish();
    if (!automation(108, [&] { workbook = application->AddWorkbook(); }) || !workbook) return finish();

    // Header row.
    int i = 1;  // 110
    int columns = 0;
    trap.Step(112, [&] { columns = list.ColumnCount(); });
    bool stopWriting = false;
    for (int c = 1; c <= columns && !stopWriting; ++c) {
        trap.Step(114, [&] { yielder.Yield(); });
        if (stopped()) {
            stopWriting = true;
            break;
        }
        if (!automation(116, [&] { workbook->SetCellText(1, i, list.ColumnCaption(c)); })) return finish();
        ++i;  // 118
        if (!automation(120, [&] { workbook->FitColumn(c); })) return finish();
    }

    // Data rows, gathered into blocks of whole sheet rows.
    int j = 2;  // 122
    int rows = 0;
    trap.Step(124, [&] { rows = list.RowCount(); });
    int sheetRows = 1048576;
    if (!automation(126, [&] { sheetRows = workbook->SheetRows(); })) return finish();
    const int fittingRows = std::min(rows, std::max(sheetRows - 1, 0));

    CellBlock block(std::max(columns, 1));
    int blockTop = j;
    auto flush = [&] {
        if (block.Empty()) return true;
        const bool ok = automation(144, [&] { workbook->SetBlockText(blockTop, 1, block); });
        block.Clear();
        blockTop = j;
        return ok;
    };

    for (int r = 1; r <= fittingRows && !stopWriting; ++r) {
        trap.Step(128, [&] { yielder.MaybeYield(); });
        if (stopped()) break;
        bool listShrank = false;
        const bool checked = trap.Test(130, [&] {
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
            // The row's cells go into the block (statements 132 to 140: the
            // time-slice yield above serves the per-cell yields).
            for (int c = 1; c <= columns; ++c) {
                trap.Step(136, [&] {
                    block.At(row, c - 1) = c == 1 ? list.RowText(r) : WithoutEquals(list.SubItem(r, c - 1));
                });
            }
        }
        ++j;  // 142
        if (block.Rows() >= kBlockRows && !flush()) return finish();
    }
    if (!flush()) return finish();

    // Checked rows that had no sheet row left.
    long long leftOut = 0;
    trap.Step(146, [&] {
        if (stopped() || rows <= fittingRows) return;
        const int now = std::min(rows, list.RowCount());
        for (int r = fittingRows + 1; r <= now; ++r)
            if (list.Checked(r)) ++leftOut;
    });

    if (!automation(148, [&] { WhileProcessingEvents([&] { workbook->FitAllColumns(); }); })) return finish();
    if (!automation(150, [&] { application->SetVisible(); })) return finish();
    if (leftOut > 0)
        trap.Step(152, [&] {
            dialogs.MessageBox(RowsLeftOutMessage(leftOut, sheetRows), kMsgOkOnly, title);
        });
    finish();
}

}  // namespace bw
