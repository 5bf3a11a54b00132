#pragma once

// The real window on the real Qt platform (message and input boxes, file
// dialogs, clipboard, INI settings file, desktop shell), for the tests of
// what the scripted platform stands in for. Everything it writes goes to a
// temporary folder of its own: the program folder (for the look files) and
// the settings folder. The dialogs it opens are answered by a RealUser
// (support/RealUser.h).

#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "shell/QtPlatform.h"
#include "window/Form1.h"

namespace bw::test {

// A random source whose draw never opens the home page (the page opens on
// one start in a hundred, which a test must not leave to chance).
class FixedRandomSource : public RandomSource {
public:
    explicit FixedRandomSource(double value = 0.5) : value_(value) {}
    void Seed(unsigned) override {}
    double Next() override { return value_; }

private:
    double value_;
};

class RealWindow {
public:
    // Builds the window on the real platform; runs its set-up and shows it
    // unless told not to.
    explicit RealWindow(bool loadAndShow = true)
        : settings(SettingsFolder()), platform{dialogs, clipboard, settings, shell, random, nullptr, ProgramFolder()} {
        QDir().mkpath(ProgramFolder());
        form = std::make_unique<Form1>(platform);
        dialogs.SetParent(form.get());
        if (loadAndShow) {
            form->Form_Load();
            form->show();
        }
    }

    QString ProgramFolder() const { return dir.filePath(QStringLiteral("program")); }
    QString SettingsFolder() const { return dir.filePath(QStringLiteral("config")); }
    QString SettingsFile() const { return settings.FilePath(QStringLiteral("Marlquist")); }

    QTemporaryDir dir;
    QtDialogs dialogs;
    QtClipboard clipboard;
    QtSettingsStore settings;
    QtDesktopShell shell;
    FixedRandomSource random;
    Platform platform;
    std::unique_ptr<Form1> form;
};

}  // namespace bw::test
