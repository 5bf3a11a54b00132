// The basewright program: the main window on the Qt platform.

#include <QApplication>
#include <memory>

#include "export/Spreadsheet.h"
#include "shell/QtPlatform.h"
#include "shell/SessionEnd.h"
#include "window/Form1.h"
#include "window/MainWindowSetup.h"

int main(int argc, char** argv) {
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
