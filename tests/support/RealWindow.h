#pragma once

// The real window on the real Qt platform (message and input boxes, file
// dialogs, clipboard, INI settings file, desktop shell), for the tests of
// what the scripted platform stands in for. Everything it writes goes to a
// temporary folder of its own: the program folder (for the look files) and
// the settings folder.
//
// Qt's modal dialogs run their own event loop, so a test arranges what to do
// with the next one before the call that opens it:
//
//     RealWindow w;
//     auto done = WhenModal([](QWidget* box) { ... type, accept or reject ... });
//     w.form->PushButton6_Click();
//     EXPECT_TRUE(*done);

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
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

// Runs action on the next application-modal widget that is not `except`,
// as soon as it shows (looked for every 10 ms for up to timeoutMs). The
// returned flag turns true once the action ran. A widget still open after
// the action is left to the action (it must accept or reject it).
inline std::shared_ptr<bool> WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 10000,
                                       QWidget* except = nullptr) {
    auto ran = std::make_shared<bool>(false);
    // Owned by the application until it is done, so nothing outlives it.
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    auto waited = std::make_shared<int>(0);
    QPointer<QWidget> skip(except);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != skip && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            action(modal);
            return;
        }
        *waited += timer->interval();
        if (*waited >= timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return ran;
}

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
