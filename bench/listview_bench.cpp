// Measures the list view with a million rows: appending to a shown results
// list (check boxes, three columns of 20-character texts) in batches, reading
// every cell back, scrolling, and removing all rows; and, as a peer in the
// same run, the same rows in a QStandardItemModel shown in a QTableView.
//
// Usage: basewright_listview_bench [rows] [batch] [peerRows]
// Prints times in seconds and peak memory above the baseline in MB.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ListView.h"

#include "BenchSupport.h"

namespace {

using bw::bench::StatusKb;

// Resets the peak to the current resident size (Linux 4.0 and later).
bool ResetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

double Mb(long kb) { return static_cast<double>(kb) / 1024.0; }

// A 20-character text for row i and column c, distinct per cell.
void MakeText(char* out, long i, int c) {
    static const char letters[] = "NCR";
    out[0] = letters[c];
    long v = i;
    for (int k = 19; k >= 1; --k) {
        out[k] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

struct Figures {
    double seconds = 0;
    double peakMb = 0;
};

// batched: one insert notification per batch; otherwise one per row. Events
// are processed after every batch either way.
Figures FillOurs(bw::ListView& list, long rows, long batch, bool batched) {
    const long base = StatusKb("VmRSS");
    ResetPeak();
    QElapsedTimer t;
    t.start();
    std::array<std::array<char, 20>, 3> texts{};
    std::array<std::string_view, 3> cells;
    for (long done = 0; done < rows;) {
        if (batched) list.BeginBatch();
        const long end = std::min(rows, done + batch);
        for (; done < end; ++done) {
            for (int c = 0; c < 3; ++c) {
                MakeText(texts[c].data(), done, c);
                cells[c] = std::string_view(texts[c].data(), texts[c].size());
            }
            list.AppendRow(cells);
        }
        if (batched) list.EndBatch();
        QApplication::processEvents();
    }
    Figures f;
    f.seconds = t.elapsed() / 1000.0;
    f.peakMb = Mb(StatusKb("VmHWM") - base);
    return f;
}

Figures FillPeer(QStandardItemModel& model, long rows, long batch) {
    const long base = StatusKb("VmRSS");
    ResetPeak();
    QElapsedTimer t;
    t.start();
    char text[20];
    for (long done = 0; done < rows;) {
        const long end = std::min(rows, done + batch);
        for (; done < end; ++done) {
            QList<QStandardItem*> items;
            for (int c = 0; c < 3; ++c) {
                MakeText(text, done, c);
                auto* item = new QStandardItem(QString::fromUtf8(text, 20));
                item->setEditable(false);
                if (c == 0) {
                    item->setCheckable(true);
                    item->setCheckState(Qt::Checked);
                }
                items.append(item);
            }
            model.appendRow(items);
        }
        QApplication::processEvents();
    }
    Figures f;
    f.seconds = t.elapsed() / 1000.0;
    f.peakMb = Mb(StatusKb("VmHWM") - base);
    return f;
}

void SetUpView(QTableView& view) {
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.resize(640, 300);
    view.show();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long batch = argc > 2 ? std::atol(argv[2]) : 10000;
    const long peerRows = argc > 3 ? std::atol(argv[3]) : rows;
    if (!ResetPeak()) std::printf("note: peak memory cannot be reset here; peaks include earlier steps\n");

    std::printf("List view benchmark: %ld rows of three 20-character cells, batches of %ld, shown, check boxes\n", rows,
                batch);
    double oursFill = 0, oursPeak = 0;
    {
        bw::ListView list(true);
        for (const char* caption : {"Numbers", "Conversion", "Results"}) list.AddColumn(caption);
        for (int n = 1; n <= 3; ++n) list.SetColumnWidth(n, 2300);
        list.resize(640, 300);
        list.show();
        QApplication::processEvents();

        const Figures fill = FillOurs(list, rows, batch, true);
        oursFill = fill.seconds;
        oursPeak = fill.peakMb;
        std::printf("  append while shown:   %7.3f s   peak %7.1f MB above baseline (%.0f bytes a row)\n", fill.seconds,
                    fill.peakMb, fill.peakMb * 1048576.0 / static_cast<double>(rows));

        QElapsedTimer t;
        t.start();
        std::size_t bytes = 0, checked = 0;
        const int count = list.RowCount();
        for (int r = 1; r <= count; ++r) {
            for (int c = 1; c <= 3; ++c) bytes += list.CellUtf8(r, c).size();
            checked += list.Checked(r) ? 1 : 0;
        }
        std::printf("  read all cells:       %7.3f s   (%zu bytes, %zu rows checked)\n", t.elapsed() / 1000.0, bytes,
                    checked);

        t.restart();
        for (int step = 0; step < 10; ++step) {
            list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() * step / 9);
            list.repaint();
        }
        QApplication::processEvents();
        std::printf("  10 scroll positions:  %7.3f s   (repainted each)\n", t.elapsed() / 1000.0);

        t.restart();
        const int removals = std::min(100, count);
        for (int k = 0; k < removals; ++k) list.RemoveRow(list.RowCount() / 2 + 1);
        QApplication::processEvents();
        std::printf("  RemoveRow mid-list:   %7.3f ms each (%d rows removed one by one)\n",
                    t.elapsed() / static_cast<double>(std::max(removals, 1)), removals);

        t.restart();
        list.ClearRows();
        QApplication::processEvents();
        std::printf("  ClearRows:            %7.3f s   (resident now %.1f MB)\n", t.elapsed() / 1000.0,
                    Mb(StatusKb("VmRSS")));
    }

    {
        bw::ListView list(true);
        for (const char* caption : {"Numbers", "Conversion", "Results"}) list.AddColumn(caption);
        list.resize(640, 300);
        list.show();
        QApplication::processEvents();
        const Figures fill = FillOurs(list, rows, batch, false);
        std::printf("  without batches (one insert notification per row): %.3f s, %.1fx the batched time\n",
                    fill.seconds, fill.seconds / oursFill);
    }

    if (peerRows > 0) {
        QStandardItemModel model(0, 3);
        model.setHorizontalHeaderLabels({"Numbers", "Conversion", "Results"});
        QTableView view;
        view.setModel(&model);
        SetUpView(view);
        const Figures peer = FillPeer(model, peerRows, batch);
        std::printf("Peer: QStandardItemModel in a QTableView, %ld rows\n", peerRows);
        std::printf("  append while shown:   %7.3f s   peak %7.1f MB above baseline (%.0f bytes a row)\n", peer.seconds,
                    peer.peakMb, peer.peakMb * 1048576.0 / static_cast<double>(peerRows));
        const double perRowOurs = oursFill / static_cast<double>(rows);
        const double perRowPeer = peer.seconds / static_cast<double>(peerRows);
        std::printf("Ratio peer/ours per row: time %.1fx, memory %.1fx\n", perRowPeer / perRowOurs,
                    (peer.peakMb / static_cast<double>(peerRows)) / (oursPeak / static_cast<double>(rows)));
    }
    std::printf("Goals: append under 0.5 s and under 150 MB for 1,000,000 rows\n");
    return 0;
}
