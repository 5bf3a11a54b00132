// Measures "Save Results As Excel File" against a headless LibreOffice that
// this program starts (its own profile and pipe) and ends:
//   1. the command through the window on 100,000 full-results rows: time
//      from the press to its end, rows per second, the longest gap between
//      two turns of the window's event loop;
//   2. the peer in the same run: one call per cell (the plain way), on a
//      smaller list, as rows per second and the ratio to the command;
//   3. the automation layer alone with several block sizes, and the final
//      fitting of all columns.
//
//   basewright_spreadsheet_bench [rows] [peerRows]   (default 100000 2000)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/uno/LibreOffice.h"
#include "spreadsheet/OfficeProcess.h"
#include "export/uno/UnoSession.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"
#include "EventLoopGap.h"

namespace {

using bw::CellBlock;

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

double CommandCase(bw::OfficeProcess& office, const Rows& rows) {
    bw::LibreOfficeLauncher launcher = MakeLauncher(office);
    bw::ScriptedPlatform sp;
    sp.platform().spreadsheet = &launcher;
    bw::Form1 form(sp.platform());
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

    bw::bench::EventLoopGap gap;
    gap.Start();
    QElapsedTimer clock;
    clock.start();
    form.PushButton13_Click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double longestGapMs = gap.Stop();

    const int n = static_cast<int>(rows.cells.size());
    std::printf("command, %d full-results rows: %.2f s from the press to the end (goal < 10 s: %s), %.0f rows/s, "
                "longest event-loop gap %.0f ms, %zu message boxes\n",
                n, seconds, seconds < 10 ? "met" : "MISSED", n / seconds, longestGapMs,
                sp.dialogs.messages.size());
    for (const auto& m : sp.dialogs.messages) std::printf("  message: %s\n", m.text.toUtf8().constData());
    office.CloseDocuments();
    return n / seconds;
}

double PerCellPeer(bw::OfficeProcess& office, const Rows& rows, int n) {
    bw::LibreOfficeLauncher launcher = MakeLauncher(office);
    QElapsedTimer clock;
    clock.start();
    auto app = launcher.Start();
    auto book = app->AddWorkbook();
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < 3; ++c)
            book->SetCellText(r + 2, c + 1, QString::fromStdString(rows.cells[r][c]));
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
    for (int blockRows : {4096, 1024, 512, 256, 128}) {
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
        std::printf("layer, blocks of %5d rows: %d rows written in %.2f s (%.0f rows/s), longest call %.0f ms; "
                    "fitting all columns %.2f s\n",
                    blockRows, n, writeSeconds, n / writeSeconds, longest / 1e6, fitSeconds);
        book.reset();
        app.reset();
        office.CloseDocuments();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int peerRows = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (bw::uno::OfficeProgram().isEmpty()) {
        std::printf("skipped: soffice is not installed\n");
        return 0;
    }
    try {
        bw::OfficeProcess office(60000);
        std::printf("headless office up in %.1f s\n", office.StartSeconds());
        const Rows data = MakeRows(rows);
        const double command = CommandCase(office, data);
        const double peer = PerCellPeer(office, data, std::min(peerRows, rows));
        std::printf("ratio: the command writes %.0f times as many rows per second as one call per cell\n",
                    command / peer);
        BlockSizes(office, data);
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
