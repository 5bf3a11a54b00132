// The basewright program: the main window on the Qt platform.

#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/CommandLine.h"
#include "export/Spreadsheet.h"
#include "shell/QtPlatform.h"
#include "shell/SessionEnd.h"
#include "window/Form1.h"
#include "window/MainWindowSetup.h"

int main(int argc, char** argv) {
    // "--help", "--version" and usage errors are answered before the
    // QApplication exists, so they need no display.
    const bw::CommandLineRequest request =
        bw::ReadCommandLine(bw::ArgumentsOf(argc, argv), QStringLiteral(BASEWRIGHT_VERSION));
    if (!request.openWindow) {
        const QByteArray text = request.text.toLocal8Bit();
        std::FILE* stream = request.toStandardError ? stderr : stdout;
        const bool written = std::fwrite(text.constData(), 1, text.size(), stream) == std::size_t(text.size());
        // A failed write (a closed pipe, a full disk) is not a success.
        if ((std::fflush(stream) != 0 || !written) && request.exitStatus == 0) return 1;
        return request.exitStatus;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(bw::kProductTitle));
    QApplication::setWindowIcon(bw::ApplicationIcon());

    bw::QtPlatform qt;
    bw::Platform& platform = qt.platform;
    platform.programFolder = QCoreApplication::applicationDirPath();

    // The spreadsheet application ("Save Results As Excel File").
    auto launcher = bw::CreateLibreOfficeLauncher();
    platform.spreadsheet = launcher.get();

    bw::Form1 form(platform);
    qt.dialogs.SetParent(&form);
    // From here on a signal or the session's end closes the window (which
    // saves the input list) once the event loop runs.
    bw::SessionEnd sessionEnd(form);
    form.Form_Load();
    form.show();
    return app.exec();
}
