#pragma once

// The platform layer on Qt 6: message and input boxes, file dialogs, the
// system clipboard, an INI-file settings store, the desktop's URL handler
// and a seeded random source.

#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "Platform.h"

namespace bw {

class QtDialogs : public Dialogs {
public:
    // The window the boxes are modal to (may be set after construction).
    void SetParent(QWidget* parent) { parent_ = parent; }

    void MessageBox(const QString& text, int style, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QStringList OpenFiles(const QString& title, const QStringList& filters) override;
    QString SaveFile(const QString& title, const QStringList& filters, const QString& initialName) override;

    // A lone carriage return (and CR LF) becomes a line break.
    static QString DisplayText(const QString& text);

private:
    QPointer<QWidget> parent_;
};

class QtClipboard : public Clipboard {
public:
    bool Clear() override;
    bool SetText(const QString& text) override;
    QString Text() const override;
};

// Settings in an INI file named after the application, one [section] per
// section: by default ~/.config/Marlquist.ini (XDG_CONFIG_HOME honoured).
// The file stays what QSettings reads and writes, but a write changes only
// the one value written: every other byte of the file (other sections and
// keys, comments, lines QSettings cannot parse, their order) stays as it
// is. A write replaces the file at once (a new file beside it takes its
// place), so that whatever happens to the program the file is either the
// old one or the new one, never a mix; writers of the same file, this
// program's and QSettings' in other programs, take turns through QSettings'
// lock file. Failures name their cause ("No space left on device").
class QtSettingsStore : public SettingsStore {
public:
    explicit QtSettingsStore(QString folder = QString());
    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value) override;
    std::string GetSettingUtf8(const QString& appName, const QString& section, const QString& key,
                               std::string_view defaultValue) override;
    void SaveSettingPieces(const QString& appName, const QString& section, const QString& key,
                           const std::function<bool(std::string_view&)>& next,
                           const std::function<void()>& pause) override;
    QString FilePath(const QString& appName) const;

private:
    // Where each value of the section last read is written, as long as the
    // file is the one that was read (the set-up reads several values of one
    // section and need not scan the file for each).
    struct ScannedFile {
        QString path;
        QString section;
        std::array<long long, 7> identity{};  // device, inode, size, change and modification times
        std::map<std::string, std::pair<std::size_t, std::size_t>> values;
    };

    QString folder_;
    std::optional<ScannedFile> scanned_;
};

class QtDesktopShell : public DesktopShell {
public:
    void OpenUrl(const QUrl& url) override;
    void EndProgram() override;
};

class StdRandomSource : public RandomSource {
public:
    void Seed(unsigned seed) override { engine_.seed(seed); }
    double Next() override { return std::uniform_real_distribution<double>(0.0, 1.0)(engine_); }

private:
    std::mt19937 engine_{std::random_device{}()};
};

// The Qt platform as one object for main().
struct QtPlatform {
    QtDialogs dialogs;
    QtClipboard clipboard;
    QtSettingsStore settings;
    QtDesktopShell shell;
    StdRandomSource random;
    Platform platform{dialogs, clipboard, settings, shell, random, nullptr, QString()};
};

}  // namespace bw
