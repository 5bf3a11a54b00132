// Measures, on the offscreen platform with the INI settings store, the
// window's close and start with a long stored input list:
//   - the close request (joining the rows and writing "Zip Codes") with 1M
//     and 5M rows, and the longest time the event loop waited during it,
//     against two peers writing the same text: QSettings (setValue and
//     sync, the INI writer of Qt) and a hand-made bound (the file's bytes
//     written to a new file, synced and renamed over the old one);
//   - the start with 1M stored rows (set-up, show, first paint) and the
//     memory afterwards, in a process of its own, against the same rows
//     loaded from a list file in a process of its own.
// Wall and CPU times; each figure is the best of the runs, which are
// interleaved.
//
//   basewright_window_bench [runs] [rows...]   (default 3 runs; 1000000 5000000)

#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventLoopGap.h"
#include "shell/QtPlatform.h"
#include "shell/Settings.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

const QString kApp = QStringLiteral("Marlquist");
const QString kSection = QStringLiteral("Basewright");
const QString kKey = QStringLiteral("Zip Codes");

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Timing {
    double wall = 1e300;
    double cpu = 1e300;
    double gapMs = 1e300;
    void Keep(double w, double c, double g = 1e300) {
        wall = std::min(wall, w);
        cpu = std::min(cpu, c);
        gapMs = std::min(gapMs, g);
    }
};

// Numbers of 1 to 20 digits.
QStringList Numbers(int rows) {
    std::mt19937 random(42);
    QStringList numbers;
    numbers.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const int digits = 1 + static_cast<int>(random() % 20);
        QString number(digits, QLatin1Char('0'));
        for (int d = 0; d < digits; ++d) number[d] = QLatin1Char(static_cast<char>('0' + random() % 10));
        numbers << number;
    }
    return numbers;
}

// Writes bytes to a new file beside path, syncs it and renames it over path.
void WriteReplacing(const QString& path, const QByteArray& bytes) {
    const QByteArray next = QFile::encodeName(path + ".new");
    const int fd = ::open(next.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size() ||
        ::fdatasync(fd) != 0 || ::close(fd) != 0 ||
        ::rename(next.constData(), QFile::encodeName(path).constData()) != 0) {
        std::perror("bound write");
        std::exit(1);
    }
}

// The start of a window, in this process: with the rows stored in the
// settings folder, or (list file given) with no stored rows and the list
// file loaded afterwards. Prints "seconds cpu rss_kb rows".
int StartChild(int argc, char** argv, const QString& settingsFolder, const QString& listFile) {
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    QApplication app(argc, argv);
    bw::QtSettingsStore store(settingsFolder);
    bw::ScriptedPlatform scripted;
    QTemporaryDir programFolder;
    bw::Platform platform{scripted.dialogs, scripted.clipboard,  store, scripted.shell, scripted.random,
                          nullptr,          programFolder.path()};
    bw::Form1 form(platform);
    form.Form_Load();
    form.show();
    QApplication::processEvents();
    if (!listFile.isEmpty()) {
        form.ListView1_FilesDropped({listFile});
        QApplication::processEvents();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    // Idle: what stays once the window has settled.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("%.4f %.4f %ld %d\n", seconds, cpu, bw::bench::StatusKb("VmRSS"), form.ListView1->RowCount());
    return 0;
}

struct ChildFigures {
    double seconds = 1e300, cpu = 1e300;
    long rssKb = 0;
    int rows = 0;
};

void RunChild(const QStringList& arguments, ChildFigures& best) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "child %s failed\n", qPrintable(arguments.join(' ')));
        std::exit(1);
    }
    const QStringList figures = QString::fromLatin1(child.readAllStandardOutput()).simplified().split(' ');
    if (figures.size() != 4) {
        std::fprintf(stderr, "child %s printed no figures\n", qPrintable(arguments.join(' ')));
        std::exit(1);
    }
    best.seconds = std::min(best.seconds, figures[0].toDouble());
    best.cpu = std::min(best.cpu, figures[1].toDouble());
    const long rss = figures[2].toLong();
    best.rssKb = best.rssKb ? std::min(best.rssKb, rss) : rss;
    best.rows = figures[3].toInt();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--start-child")
        return StartChild(1, argv, QString::fromLocal8Bit(argv[2]), QString());
    if (argc == 4 && std::string(argv[1]) == "--load-child")
        return StartChild(1, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000000, 5000000};

    for (const int rows : sizes) {
        const QStringList numbers = Numbers(rows);
        const QString stored = numbers.join(QLatin1Char(';'));
        QTemporaryDir folder;
        bw::QtSettingsStore store(folder.path());
        bw::ScriptedPlatform scripted;
        bw::Platform platform{scripted.dialogs, scripted.clipboard, store, scripted.shell, scripted.random,
                              nullptr,          folder.path()};
        store.SaveSetting(kApp, kSection, kKey, stored);
        const QString path = store.FilePath(kApp);
        QByteArray fileBytes;
        {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            fileBytes = file.readAll();
        }
        std::printf("rows %d: stored text %lld characters, settings file %lld bytes\n", rows,
                    static_cast<long long>(stored.size()), static_cast<long long>(fileBytes.size()));

        bw::Form1 form(platform);
        form.Form_Load();
        form.show();
        QApplication::processEvents();
        if (form.ListView1->RowCount() != rows || !scripted.dialogs.messages.empty()) {
            std::fprintf(stderr, "set-up restored %d rows, %zu messages\n", form.ListView1->RowCount(),
                         scripted.dialogs.messages.size());
            return 1;
        }

        Timing close, qtWriter, bound;
        for (int run = 0; run < runs; ++run) {
            // The close request, with the event loop watched.
            bw::bench::EventLoopGap gap;
            gap.Start();
            QElapsedTimer t;
            t.start();
            double cpu = CpuSeconds();
            form.Form_QueryUnload();
            close.Keep(t.nsecsElapsed() / 1e9, CpuSeconds() - cpu, gap.Stop());
            if (!scripted.dialogs.messages.empty() || store.GetSetting(kApp, kSection, kKey, QString()) != stored) {
                std::fprintf(stderr, "the close request stored a different list or reported\n");
                return 1;
            }

            // QSettings' writer, on a file of its own (it keeps what it read).
            {
                const QString qtPath = folder.filePath(QStringLiteral("qt-%1.ini").arg(run));
                QFile::copy(path, qtPath);
                QSettings settings(qtPath, QSettings::IniFormat);
                (void)settings.value(kSection + QLatin1Char('/') + kKey);
                settings.setValue(kSection + QLatin1Char('/') + kKey, QString());  // a change to write
                settings.sync();
                t.restart();
                cpu = CpuSeconds();
                settings.setValue(kSection + QLatin1Char('/') + kKey, stored);
                settings.sync();
                qtWriter.Keep(t.nsecsElapsed() / 1e9, CpuSeconds() - cpu);
            }

            // The bound: the same bytes, written, synced and renamed.
            t.restart();
            cpu = CpuSeconds();
            WriteReplacing(folder.filePath(QStringLiteral("bound.ini")), fileBytes);
            bound.Keep(t.nsecsElapsed() / 1e9, CpuSeconds() - cpu);
        }
        std::printf("  close request saving the list: %.3f s wall, %.3f s CPU; longest event-loop gap %.1f ms\n",
                    close.wall, close.cpu, close.gapMs);
        std::printf("  peer, QSettings setValue+sync:  %.3f s wall, %.3f s CPU (close / peer: %.2f wall, %.2f CPU)\n",
                    qtWriter.wall, qtWriter.cpu, close.wall / qtWriter.wall, close.cpu / qtWriter.cpu);
        std::printf("  bound, write+fdatasync+rename:  %.3f s wall, %.3f s CPU (close / bound: %.2f wall)\n",
                    bound.wall, bound.cpu, close.wall / bound.wall);

        if (rows != sizes.front()) continue;
        // Start with the stored list against the same rows from a file, each
        // in a process of its own.
        QTemporaryDir emptySettings;
        const QString listFile = folder.filePath(QStringLiteral("rows.txt"));
        {
            QFile file(listFile);
            file.open(QIODevice::WriteOnly);
            file.write(numbers.join(QLatin1Char('\n')).toUtf8());
            file.write("\n");
        }
        ChildFigures fromSettings, fromFile;
        for (int run = 0; run < runs; ++run) {
            RunChild({QStringLiteral("--start-child"), folder.path()}, fromSettings);
            RunChild({QStringLiteral("--load-child"), emptySettings.path(), listFile}, fromFile);
        }
        std::printf("  start with the stored list (set-up, show, first paint): %.3f s wall, %.3f s CPU, %d rows\n",
                    fromSettings.seconds, fromSettings.cpu, fromSettings.rows);
        std::printf("  start, then the same rows loaded from a file:             %.3f s wall, %.3f s CPU, %d rows\n",
                    fromFile.seconds, fromFile.cpu, fromFile.rows);
        std::printf("  idle memory (VmRSS): stored list %ld kB, loaded from a file %ld kB, ratio %.3f\n",
                    fromSettings.rssKb, fromFile.rssKb,
                    static_cast<double>(fromSettings.rssKb) / static_cast<double>(fromFile.rssKb));
    }
    return 0;
}
