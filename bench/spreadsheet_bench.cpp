// Measures "Save Results As Excel File" against a headless LibreOffice that
// this program starts (its own profile and pipe) and ends; every figure is
// taken with the office already up:
//   1. the command through the window on 200,000 full-results rows: time
//      from the press until the workbook is shown (SetVisible called: a
//      headless office has no window to show), rows per second, and the
//      longest hold of the window's event loop;
//   2. the earlier way in the same run, on the same rows: every office
//      call made on the window thread, the columns fitted over every cell
//      (on a helper thread, as before); its figures and the ratios;
//   3. one call per cell (the plain way), on a smaller list;
//   4. the automation layer alone with several block sizes, and fitting the
//      columns over every cell against fitting by the widest texts.
//
//   basewright_spreadsheet_bench [rows] [peerRows]   (default 200000 2000)

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <string>
#include <vector>

#include "EventLoopGap.h"
#include "export/Spreadsheet.h"
#include "export/uno/LibreOffice.h"
#include "export/uno/UnoSession.h"
#include "shell/ListView.h"
#include "shell/Yield.h"
#include "spreadsheet/OfficeProcess.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

using bw::CellBlock;
namespace css = com::sun::star;
using css::uno::Reference;

struct Rows {
    std::vector<std::array<std::string, 3>> cells;
};

// Full-results rows as a conversion run makes them: a 20-digit decimal,
// the conversion's name, its binary result.
Rows MakeRows(int n) {
    Rows rows;
    std::mt19937_64 rng(4242);
    rows.cells.reserve(n);
    for (int i = 0; i < n; ++i) {
        const unsigned long long v = rng();
        std::string bin;
        for (unsigned long long x = v; x; x >>= 1) bin.insert(bin.begin(), char('0' + (x & 1)));
        rows.cells.push_back({std::to_string(v), "Decimal To Binary", "0" + bin});
    }
    return rows;
}

bw::LibreOfficeLauncher MakeLauncher(const bw::OfficeProcess& office) {
    bw::LibreOfficeOptions options;
    options.pipeName = office.PipeName();
    options.startOffice = false;
    options.showWindows = false;
    return bw::LibreOfficeLauncher(options);
}

struct Figures {
    double seconds = 0;
    double rowsPerSecond = 0;
    double longestHoldMs = 0;
};

// The results window filled with the rows, as after a conversion run.
struct FilledWindow {
    FilledWindow(bw::SpreadsheetLauncher& launcher, const Rows& rows) {
        sp.platform().spreadsheet = &launcher;
        form.Form_Load();
        form.Option1->setChecked(true);
        form.Option1_Click();
        form.show();
        form.ListView2->BeginBatch();
        for (const auto& r : rows.cells) {
            const std::array<std::string_view, 3> cells{r[0], r[1], r[2]};
            form.ListView2->AppendRow(cells);
        }
        form.ListView2->EndBatch();
        QCoreApplication::processEvents();
        sp.dialogs.messages.clear();
    }
    bw::ScriptedPlatform sp;
    bw::Form1 form{sp.platform()};
};

// Times `run` and the longest hold of the event loop meanwhile.
template <class F>
Figures Measure(int rows, F&& run) {
    bw::bench::EventLoopGap gap;
    gap.Start();
    QElapsedTimer clock;
    clock.start();
    run();
    Figures f;
    f.seconds = clock.nsecsElapsed() / 1e9;
    f.longestHoldMs = gap.Stop();
    f.rowsPerSecond = rows / f.seconds;
    return f;
}

// The only spreadsheet document the office holds, and its first sheet.
Reference<css::sheet::XSpreadsheet> OnlySheet(bw::OfficeProcess& office) {
    Reference<css::container::XEnumeration> e = office.Desktop()->getComponents()->createEnumeration();
    while (e->hasMoreElements()) {
        Reference<css::sheet::XSpreadsheetDocument> doc(e->nextElement(), css::uno::UNO_QUERY);
        if (!doc.is()) continue;
        Reference<css::container::XIndexAccess> sheets(doc->getSheets(), css::uno::UNO_QUERY_THROW);
        return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), css::uno::UNO_QUERY_THROW);
    }
    throw std::runtime_error("the office holds no spreadsheet document");
}

// The office's own fitting: every cell of the first columns measured.
void FitEveryCell(bw::OfficeProcess& office, int columns) {
    Reference<css::table::XColumnRowRange> ranges(OnlySheet(office)->getCellRangeByPosition(0, 0, columns - 1, 0),
                                                  css::uno::UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet>(ranges->getColumns(), css::uno::UNO_QUERY_THROW)
        ->setPropertyValue("OptimalWidth", css::uno::Any(true));
}

void Print(const char* what, int n, const Figures& f, std::size_t messages) {
    std::printf(
        "%s, %d full-results rows: %.2f s from the press until shown, %.0f rows/s, "
        "longest hold of the window %.0f ms, %zu message boxes\n",
        what, n, f.seconds, f.rowsPerSecond, f.longestHoldMs, messages);
}

Figures CommandCase(bw::OfficeProcess& office, const Rows& rows) {
    bw::LibreOfficeLauncher launcher = MakeLauncher(office);
    FilledWindow window(launcher, rows);
    const int n = static_cast<int>(rows.cells.size());
    const Figures f = Measure(n, [&] { window.form.PushButton13_Click(); });
    Print("command", n, f, window.sp.dialogs.messages.size());
    std::printf("  goal: under 5 s after the office is up: %s; window never held over 100 ms: %s\n",
                f.seconds < 5 ? "met" : "MISSED", f.longestHoldMs <= 100 ? "met" : "MISSED");
    for (const auto& m : window.sp.dialogs.messages) std::printf("  message: %s\n", m.text.toUtf8().constData());
    office.CloseDocuments();
    return f;
}

// The earlier way: the same statements, every office call on the window
// thread (the window processes its events only between calls), the
// columns fitted over every cell on a helper thread meanwhile.
Figures WindowThreadCase(bw::OfficeProcess& office, const Rows& rows) {
    bw::LibreOfficeLauncher launcher = MakeLauncher(office);
    FilledWindow window(launcher, rows);
    bw::ListView& list = *window.form.ListView2;
    const int n = static_cast<int>(rows.cells.size());
    const Figures f = Measure(n, [&] {
        bw::Pacer pacer;
        auto app = launcher.Start();
        auto book = app->AddWorkbook();
        const int columns = list.ColumnCount();
        for (int c = 1; c <= columns; ++c) {
            bw::YieldToEvents();
            book->SetCellText(1, c, list.ColumnCaption(c));
            book->FitColumn(c);
        }
        (void)book->SheetRows();
        CellBlock block(columns);
        int top = 2;
        const int count = list.RowCount();
        for (int r = 1; r <= count; ++r) {
            (void)pacer.Pace(bw::kPacerCheckCost);  // each row waits on the office
            const int row = block.AddRow();
            if (list.Checked(r))
                for (int c = 1; c <= columns; ++c)
                    block.At(row, c - 1) = c == 1 ? list.RowText(r) : list.SubItem(r, c - 1).remove(QLatin1Char('='));
            if (block.Rows() == 512 || r == count) {
                book->SetBlockText(top, 1, block);
                top += block.Rows();
                block.Clear();
            }
        }
        std::future<void> fit = std::async(std::launch::async, [&] { FitEveryCell(office, columns); });
        while (fit.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) bw::YieldToEvents();
        fit.get();
        app->SetVisible();
    });
    Print("earlier way, calls on the window thread", n, f, 0);
    office.CloseDocuments();
    return f;
}

double PerCellPeer(bw::OfficeProcess& office, const Rows& rows, int n) {
    bw::LibreOfficeLauncher launcher = MakeLauncher(office);
    QElapsedTimer clock;
    clock.start();
    auto app = launcher.Start();
    auto book = app->AddWorkbook();
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < 3; ++c) book->SetCellText(r + 2, c + 1, QString::fromStdString(rows.cells[r][c]));
    book->FitAllColumns();
    const double seconds = clock.nsecsElapsed() / 1e9;
    book.reset();
    app.reset();
    office.CloseDocuments();
    std::printf("peer, one call per cell, %d rows: %.2f s, %.0f rows/s\n", n, seconds, n / seconds);
    return n / seconds;
}

void BlockSizes(bw::OfficeProcess& office, const Rows& rows) {
    const int n = static_cast<int>(rows.cells.size());
    for (int blockRows : {2048, 512, 128}) {
        bw::LibreOfficeLauncher launcher = MakeLauncher(office);
        auto app = launcher.Start();
        auto book = app->AddWorkbook();
        QElapsedTimer clock;
        clock.start();
        qint64 longest = 0;
        CellBlock block(3);
        int top = 2;
        for (int r = 0; r < n; ++r) {
            const int row = block.AddRow();
            for (int c = 0; c < 3; ++c) block.At(row, c) = QString::fromStdString(rows.cells[r][c]);
            if (block.Rows() == blockRows || r == n - 1) {
                QElapsedTimer call;
                call.start();
                book->SetBlockText(top, 1, block);
                longest = std::max(longest, call.nsecsElapsed());
                top += block.Rows();
                block.Clear();
            }
        }
        const double writeSeconds = clock.nsecsElapsed() / 1e9;
        QElapsedTimer fit;
        fit.start();
        book->FitAllColumns();
        const double fitSeconds = fit.nsecsElapsed() / 1e9;
        fit.restart();
        FitEveryCell(office, 3);
        const double everyCellSeconds = fit.nsecsElapsed() / 1e9;
        std::printf(
            "layer, blocks of %5d rows: %d rows written in %.2f s (%.0f rows/s), longest call %.0f ms; "
            "fitting all columns by the widest texts %.2f s, over every cell %.2f s\n",
            blockRows, n, writeSeconds, n / writeSeconds, longest / 1e6, fitSeconds, everyCellSeconds);
        book.reset();
        app.reset();
        office.CloseDocuments();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int peerRows = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (bw::uno::OfficeProgram().isEmpty()) {
        std::printf("skipped: soffice is not installed\n");
        return 0;
    }
    try {
        bw::OfficeProcess office(60000);
        std::printf("headless office up in %.1f s\n", office.StartSeconds());
        const Rows data = MakeRows(rows);
        const Figures command = CommandCase(office, data);
        const Figures earlier = WindowThreadCase(office, data);
        std::printf(
            "ratio: the command takes %.2f times the earlier way's time; its longest hold of the window is "
            "%.2f times the earlier way's\n",
            command.seconds / earlier.seconds, command.longestHoldMs / earlier.longestHoldMs);
        const double peer = PerCellPeer(office, data, std::min(peerRows, rows));
        std::printf("ratio: the command writes %.0f times as many rows per second as one call per cell\n",
                    command.rowsPerSecond / peer);
        BlockSizes(office, data);
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
