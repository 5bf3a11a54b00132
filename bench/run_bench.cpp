// Measures "Start Converting" through the window on the offscreen platform:
// the time from the press to "Done.", the longest gap between two turns of
// the event loop during the run, and the peak memory.
//
//   basewright_run_bench [entries digits]   (default: both standard cases)

#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "EventLoopGap.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

long PeakKb() { return bw::bench::StatusKb("VmHWM"); }
long CurrentKb() { return bw::bench::StatusKb("VmRSS"); }

void RunCase(int entries, int digits) {
    bw::ScriptedPlatform sp;
    bw::Form1 form(sp.platform());
    form.Form_Load();
    form.show();
    QCoreApplication::processEvents();

    std::mt19937_64 rng(12345);
    std::uniform_int_distribution<int> digit(0, 9), lead(1, 9);
    std::string entry(digits, '0');
    form.ListView1->BeginBatch();
    for (int i = 0; i < entries; ++i) {
        entry[0] = char('0' + lead(rng));
        for (int d = 1; d < digits; ++d) entry[d] = char('0' + digit(rng));
        const std::string_view cell = entry;
        form.ListView1->AppendRow(std::span<const std::string_view>(&cell, 1));
    }
    form.ListView1->EndBatch();
    QCoreApplication::processEvents();
    const long before = CurrentKb();

    QElapsedTimer clock;
    qint64 doneAt = -1;
    sp.dialogs.onMessage = [&](const bw::RecordedMessage& m) {
        if (m.text == "Done.") doneAt = clock.nsecsElapsed();
    };
    bw::bench::EventLoopGap gap;
    gap.Start();
    clock.start();
    form.PushButton17_Click();
    const qint64 end = clock.nsecsElapsed();
    const double longestGapMs = gap.Stop();

    std::printf(
        "run: %d entries of %d digits, full results: %.3f s to \"Done.\", longest event-loop gap %.1f ms, "
        "rows %d, memory %ld MB before the run, peak %ld MB\n",
        entries, digits, (doneAt < 0 ? end : doneAt) / 1e9, longestGapMs, form.ListView2->RowCount(), before / 1024,
        PeakKb() / 1024);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3) {
        QApplication app(argc, argv);
        RunCase(std::atoi(argv[1]), std::atoi(argv[2]));
        return 0;
    }
    // Each standard case in a process of its own, so that each peak is its own.
    const int cases[][2] = {{1000000, 20}, {100000, 300}};
    for (const auto& c : cases) {
        const pid_t child = fork();
        if (child == 0) {
            QApplication app(argc, argv);
            RunCase(c[0], c[1]);
            std::_Exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}
