#pragma once

// A scripted platform for driving the window without a person: dialog
// answers are queued in advance, every message box and every clipboard,
// settings and shell call is recorded, and failures can be injected.

#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "shell/Platform.h"

namespace bw {

struct RecordedMessage {
    QString text;
    int style;
    QString title;
};

struct RecordedFileDialog {
    QString kind;  // "open" or "save"
    QString title;
    QStringList filters;
    QString initialName;
};

class ScriptedDialogs : public Dialogs {
public:
    void MessageBox(const QString& text, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QStringList OpenFiles(const QString& title, const QStringList& filters) override;
    QString SaveFile(const QString& title, const QStringList& filters, const QString& initialName) override;

    // Answers, used in order; with none left a dialog is cancelled.
    void QueueInput(const QString& answer) { inputAnswers_.push_back(answer); }
    void QueueInputFailure(const std::string& description) { inputAnswers_.push_back(description); }
    void QueueOpenFiles(const QStringList& paths) { openAnswers_.push_back(paths); }
    void QueueSaveFile(const QString& path) { saveAnswers_.push_back(path); }

    std::vector<RecordedMessage> messages;
    std::vector<RecordedMessage> inputBoxes;  // prompt, 0, title
    std::vector<RecordedFileDialog> fileDialogs;
    // Called while a message box is "open" (e.g. to act during a long command).
    std::function<void(const RecordedMessage&)> onMessage;

    // Messages whose title is "Application Error".
    std::vector<RecordedMessage> ErrorReports() const;

private:
    // A QString is an answer; a std::string is a failure description.
    std::deque<std::variant<QString, std::string>> inputAnswers_;
    std::deque<QStringList> openAnswers_;
    std::deque<QString> saveAnswers_;
};

class ScriptedClipboard : public Clipboard {
public:
    bool Clear() override;
    bool SetText(const QString& text) override;
    QString Text() const override { return text_; }

    // The next n calls of Clear / SetText fail.
    int failClears = 0;
    int failSets = 0;
    int clearCalls = 0;
    int setCalls = 0;
    void Preset(const QString& text) { text_ = text; }

private:
    QString text_;
};

class MemorySettingsStore : public SettingsStore {
public:
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value) override;

    // Direct access, by key within "Marlquist"/"Basewright".
    std::optional<QString> Stored(const QString& key) const;
    void Store(const QString& key, const QString& value);

    // Keys whose reads / writes fail with AppError.
    std::set<QString> failingReads;
    std::set<QString> failingWrites;
    std::vector<std::pair<QString, QString>> writes;  // key, value, in order

private:
    std::map<std::tuple<QString, QString, QString>, QString> values_;
};

class ScriptedShell : public DesktopShell {
public:
    void OpenUrl(const QUrl& url) override { openedUrls.push_back(url); }
    void EndProgram() override { ++endProgramCalls; }
    std::vector<QUrl> openedUrls;
    int endProgramCalls = 0;
};

class FixedRandomSource : public RandomSource {
public:
    void Seed(unsigned seed) override { seeds.push_back(seed); }
    double Next() override { return value; }
    double value = 0.5;  // int(0.5 * 100) + 1 = 51: the home page stays closed
    std::vector<unsigned> seeds;
};

class ScriptedPlatform {
public:
    ScriptedPlatform();
    Platform& platform() { return platform_; }

    ScriptedDialogs dialogs;
    ScriptedClipboard clipboard;
    MemorySettingsStore settings;
    ScriptedShell shell;
    FixedRandomSource random;

private:
    QTemporaryDir programFolder_;  // empty: no cursor file, no skin
    Platform platform_;
};

}  // namespace bw
