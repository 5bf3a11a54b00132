// The window's long commands on millions of rows, through the real Form1 on
// the offscreen platform (the scripted dialogs answer at once; the clipboard
// is the system's). For each size, in a process of its own:
//   - "Load Numbers From File" on a file of 20-digit numbers (CR LF lines),
//   - "Start Converting" in the full-results mode ("Decimal To Hexadecimal"),
//   - "Save Results As Text File", "Copy Results To Clipboard",
//   - "Clear Results", the same run in the results-only mode, "Clear Results"
//     and "Clear List",
// printing for each command its wall and CPU time and the longest time the
// window did not answer (the longest gap between two turns of the event
// loop, seen by a 1 ms timer, in wall time and in the CPU time of the
// window's thread, which on a loaded machine tells the command's own work
// from the time it waited for a processor; goal: under 50 ms), and after
// them the memory each list takes per row (input, full results, results
// only: resident memory added, over the row count) and the peak of the load
// and the run.
//
//   basewright_lists_bench [rows...]   (default: 1000000 5000000)
//
// Only the window's public controls and commands are used, so that the
// same program built on an earlier tree measures it the same way.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventLoopGap.h"
#include "shell/QtPlatform.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

using bw::bench::StatusKb;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Writes `rows` lines of 20-digit numbers ended by CR LF.
bool WriteListFile(const std::string& path, long rows) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 random(4711);
    std::string chunk;
    for (long i = 0; i < rows; ++i) {
        chunk.push_back(static_cast<char>('1' + random() % 9));
        for (int d = 1; d < 20; ++d) chunk.push_back(static_cast<char>('0' + random() % 10));
        chunk.append("\r\n");
        if (chunk.size() > (1 << 20)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    return static_cast<bool>(out);
}

struct Figures {
    double wall = 0, cpu = 0, gapMs = 0, gapCpuMs = 0;
};

template <class F>
Figures Measure(F&& command) {
    bw::bench::EventLoopGap gap;
    QElapsedTimer clock;
    const double cpu = CpuSeconds();
    gap.Start();
    clock.start();
    command();
    Figures f;
    f.wall = clock.nsecsElapsed() / 1e9;
    f.gapMs = gap.Stop();
    f.gapCpuMs = gap.LongestCpuMs();
    f.cpu = CpuSeconds() - cpu;
    return f;
}

void Print(const char* what, const Figures& f) {
    std::printf("  %-30s %8.3f s wall %8.3f s CPU   longest gap %7.1f ms wall %7.1f ms CPU  %s\n", what, f.wall, f.cpu,
                f.gapMs, f.gapCpuMs,
                f.gapMs < 50      ? "met"
                : f.gapCpuMs < 50 ? "met in CPU time"
                                  : "MISSED");
    std::fflush(stdout);
}

// Lets the event loop run for a while, so that work the commands leave to
// later turns (memory given back after clearing) is done before memory is
// measured.
void Settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

double BytesPerRow(long beforeKb, long afterKb, long rows) {
    return static_cast<double>(afterKb - beforeKb) * 1024.0 / static_cast<double>(rows);
}

void RunCase(long rows, int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string listPath = dir.filePath(QStringLiteral("numbers.txt")).toStdString();
    if (!WriteListFile(listPath, rows)) {
        std::printf("cannot write %s\n", listPath.c_str());
        return;
    }
    bw::ScriptedPlatform scripted;
    bw::QtClipboard systemClipboard;
    const bw::Platform& base = scripted.platform();
    bw::Platform platform{base.dialogs, systemClipboard,  base.settings,     base.shell,
                          base.random,  base.spreadsheet, base.programFolder};
    bw::Form1 form(platform);
    form.Form_Load();
    form.resize(800, 600);
    form.show();
    QCoreApplication::processEvents();

    std::printf("%ld rows of 20-digit numbers\n", rows);
    const long startKb = StatusKb("VmRSS");
    ResetPeak();

    scripted.dialogs.QueueOpenFiles({QString::fromStdString(listPath)});
    const Figures load = Measure([&] { form.PushButton3_Click(); });
    Print("load list file", load);
    Settle();
    const long loadedKb = StatusKb("VmRSS");

    const Figures run = Measure([&] { form.PushButton17_Click(); });
    Print("run, full results", run);
    Settle();
    const long ranKb = StatusKb("VmRSS");
    const long peakKb = StatusKb("VmHWM");
    if (form.ListView1->RowCount() != rows || form.ListView2->RowCount() != rows)
        std::printf("  (rows: input %d, results %d)\n", form.ListView1->RowCount(), form.ListView2->RowCount());

    scripted.dialogs.QueueSaveFile(dir.filePath(QStringLiteral("results.txt")));
    Print("save text file", Measure([&] { form.PushButton4_Click(); }));
    QFile::remove(dir.filePath(QStringLiteral("results.txt")));

    Print("copy to clipboard", Measure([&] { form.PushButton5_Click(); }));
    QGuiApplication::clipboard()->clear();
    Settle();

    Print("clear results (full)", Measure([&] { form.PushButton2_Click(); }));
    Settle();
    const long clearedKb = StatusKb("VmRSS");

    form.Option2->setChecked(true);
    form.Option2_Click();
    const Figures only = Measure([&] { form.PushButton17_Click(); });
    Print("run, results only", only);
    Settle();
    const long onlyKb = StatusKb("VmRSS");
    Print("clear results (results only)", Measure([&] { form.PushButton2_Click(); }));
    Print("clear list", Measure([&] { form.PushButton1_Click(); }));
    Settle();

    std::printf("  bytes per row: input %.1f, full results %.1f, results only %.1f\n",
                BytesPerRow(startKb, loadedKb, rows), BytesPerRow(loadedKb, ranKb, rows),
                BytesPerRow(clearedKb, onlyKb, rows));
    std::printf("  peak memory of the load and the run: %ld MB (resident before the load %ld MB)\n", peakKb / 1024,
                startKb / 1024);
    std::printf("  resident after clearing both lists: %ld MB\n", StatusKb("VmRSS") / 1024);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {1000000, 5000000};
    // Each size in a process of its own, so that each peak and each memory
    // figure is its own.
    for (long rows : sizes) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            int one = 1;
            RunCase(rows, one, argv);
            std::fflush(stdout);
            std::_Exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}
