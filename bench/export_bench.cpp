// Measures, through the window on the offscreen platform, with a million rows:
//   - "Load Numbers From File" on a file of 20-digit numbers (CR LF lines),
//     against a peer that reads the same file into strings with std::getline;
//   - "Save Results As Text File" in the full-results mode, against a peer
//     that writes the same bytes in one QFile::write;
//   - "Copy Results To Clipboard" (system clipboard of the offscreen
//     platform), against a peer that builds the same text cell by cell with
//     QString appends.
// Also printed: the longest gap between two turns of the event loop during
// each command (how long the window was held at most).
//
//   basewright_export_bench [rows]   (default 1000000)

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "EventLoopGap.h"
#include "shell/QtPlatform.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

double Seconds(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e9; }

void Line(const char* what, double ours, double peer, double goal, double gapMs) {
    std::printf("%-34s %8.3f s   peer %8.3f s   ratio %5.2f   goal < %.1f s %s   longest hold %6.1f ms\n", what, ours,
                peer, peer > 0 ? ours / peer : 0.0, goal, ours < goal ? "met" : "MISSED", gapMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    QTemporaryDir dir;
    bw::ScriptedPlatform scripted;
    bw::QtClipboard systemClipboard;
    bw::Platform platform = scripted.platform();
    bw::Platform withClipboard{platform.dialogs, systemClipboard,      platform.settings,     platform.shell,
                               platform.random,  platform.spreadsheet, platform.programFolder};
    bw::Form1 form(withClipboard);
    form.Form_Load();
    form.show();
    QCoreApplication::processEvents();
    bw::bench::EventLoopGap gaps;

    // ---- load ----
    const QString listPath = dir.filePath("numbers.txt");
    {
        std::mt19937_64 rng(4711);
        std::uniform_int_distribution<int> digit(0, 9);
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(rows) * 22);
        for (int i = 0; i < rows; ++i) {
            bytes.push_back(char('1' + digit(rng) % 9));
            for (int d = 1; d < 20; ++d) bytes.push_back(char('0' + digit(rng)));
            bytes.append("\r\n");
        }
        QFile f(listPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(listPath));
            return 1;
        }
    }
    QElapsedTimer t;
    t.start();
    {
        std::ifstream in(listPath.toStdString(), std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        if (static_cast<int>(lines.size()) != rows) std::fprintf(stderr, "peer read %zu lines\n", lines.size());
    }
    const double loadPeer = Seconds(t);
    scripted.dialogs.QueueOpenFiles({listPath});
    gaps.Start();
    t.restart();
    form.PushButton3_Click();
    const double load = Seconds(t);
    const double loadGap = gaps.Stop();
    if (form.ListView1->RowCount() != rows) std::fprintf(stderr, "loaded %d rows\n", form.ListView1->RowCount());

    // ---- results: full mode, a million rows ----
    {
        std::mt19937_64 rng(99);
        form.ListView2->BeginBatch();
        char hex[32];
        for (int i = 1; i <= rows; ++i) {
            const std::string number(form.ListView1->CellUtf8(i, 1));
            std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(rng()));
            const std::string_view cells[] = {number, "Decimal To Hexadecimal", hex};
            form.ListView2->AppendRow(cells);
        }
        form.ListView2->EndBatch();
        QCoreApplication::processEvents();
    }

    // ---- save ----
    const QString savePath = dir.filePath("results.txt");
    scripted.dialogs.QueueSaveFile(savePath);
    gaps.Start();
    t.restart();
    form.PushButton4_Click();
    const double save = Seconds(t);
    const double saveGap = gaps.Stop();
    QByteArray written;
    {
        QFile f(savePath);
        if (f.open(QIODevice::ReadOnly)) written = f.readAll();
    }
    t.restart();
    {
        QFile f(dir.filePath("peer.txt"));
        if (f.open(QIODevice::WriteOnly)) f.write(written);
    }
    const double savePeer = Seconds(t);

    // ---- copy ----
    gaps.Start();
    t.restart();
    form.PushButton5_Click();
    const double copy = Seconds(t);
    const double copyGap = gaps.Stop();
    const qsizetype copied = QGuiApplication::clipboard()->text().size();
    t.restart();
    {
        QString text;
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= 3; ++c) {
                text += QString::fromUtf8(form.ListView2->CellUtf8(r, c));
                text += QLatin1Char('\t');
            }
            text.chop(1);
            text += QLatin1String("\r\n");
        }
        if (text.size() < copied / 2) std::fprintf(stderr, "peer text too short\n");
    }
    const double copyPeer = Seconds(t);

    std::printf("rows: %d; file written: %lld bytes; clipboard text: %lld characters\n", rows,
                static_cast<long long>(written.size()), static_cast<long long>(copied));
    Line("load list file", load, loadPeer, 0.5, loadGap);
    Line("save text file (full results)", save, savePeer, 1.0, saveGap);
    Line("copy to clipboard (full results)", copy, copyPeer, 1.0, copyGap);
    return 0;
}
