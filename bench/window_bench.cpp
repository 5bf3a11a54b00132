// Measures, on the offscreen platform with the INI settings store, how long
// the window takes with a large stored input list:
//   - set-up (restoring the rows from "Zip Codes" and showing the window),
//     against a peer that reads the same value from the store, splits it
//     and appends the rows to a bare list in one batch;
//   - the close request (joining the rows and writing "Zip Codes"), against
//     a peer that writes the same text to the store.
//
//   basewright_window_bench [rows]   (default 1000000)

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "shell/QtPlatform.h"
#include "shell/Settings.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace {

double Seconds(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e9; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    QTemporaryDir folder;
    bw::QtSettingsStore store(folder.path());
    bw::ScriptedPlatform scripted;
    bw::Platform platform{scripted.dialogs, scripted.clipboard, store, scripted.shell, scripted.random,
                          nullptr,          folder.path()};
    const QString app_ = QString::fromLatin1(bw::kSettingsApp), section = QString::fromLatin1(bw::kSettingsSection),
                  key = QString::fromLatin1(bw::kKeyZipCodes);

    // Numbers of 1 to 20 digits, joined as the close request stores them.
    std::mt19937 random(42);
    QString stored;
    for (int i = 0; i < rows; ++i) {
        if (i) stored += QLatin1Char(';');
        const int digits = 1 + static_cast<int>(random() % 20);
        for (int d = 0; d < digits; ++d) stored += QLatin1Char(static_cast<char>('0' + random() % 10));
    }
    store.SaveSetting(app_, section, key, stored);
    std::printf("rows %d, stored text %lld characters\n", rows, static_cast<long long>(stored.size()));

    // Peer of the set-up: read, split, append in one batch.
    QElapsedTimer t;
    t.start();
    {
        bw::ListView bare(false);
        bare.AddColumn(QStringLiteral("Numbers"));
        const QString value = store.GetSetting(app_, section, key, QString());
        const QStringList pieces = value.split(QLatin1Char(';'));
        bare.BeginBatch();
        for (const QString& piece : pieces)
            if (!piece.isEmpty()) bare.AddRow(piece);
        bare.EndBatch();
        bare.show();
        QApplication::processEvents();
    }
    const double peerLoad = Seconds(t);

    t.restart();
    bw::Form1 form(platform);
    form.Form_Load();
    form.show();
    QApplication::processEvents();
    const double load = Seconds(t);
    if (form.ListView1->RowCount() != rows || !scripted.dialogs.messages.empty()) {
        std::fprintf(stderr, "set-up restored %d rows, %zu messages\n", form.ListView1->RowCount(),
                     scripted.dialogs.messages.size());
        return 1;
    }

    // Peer of the close request: the store's write of the same text.
    t.restart();
    store.SaveSetting(app_, section, key, stored);
    const double peerSave = Seconds(t);

    t.restart();
    form.Form_QueryUnload();
    const double save = Seconds(t);
    if (store.GetSetting(app_, section, key, QString()) != stored) {
        std::fprintf(stderr, "the close request stored a different list\n");
        return 1;
    }

    std::printf("set-up with the stored list: %.3f s; peer (read, split, batch append): %.3f s; ratio %.2f\n", load,
                peerLoad, load / peerLoad);
    std::printf("close request saving the list: %.3f s; peer (store write alone): %.3f s; ratio %.2f\n", save, peerSave,
                save / peerSave);
    return 0;
}
