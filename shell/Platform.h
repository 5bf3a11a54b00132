#pragma once

// The thin platform layer: every dialog, message box, clipboard access,
// settings read or write, shell request and random draw of the program goes
// through these interfaces. QtPlatform.h implements them on Qt 6;
// ScriptedPlatform.h implements them for tests (answers queued in advance,
// every call recorded).

#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <string>
#include <string_view>

namespace bw {

// Message box styles (only the ones the program uses).
inline constexpr int kMsgOkOnly = 0;        // OK button, no icon
inline constexpr int kMsgExclamation = 48;  // OK button, exclamation icon

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal message box with an OK button. A lone "\r" in the text shows as
    // a line break.
    virtual void MessageBox(const QString& text, int style, const QString& title) = 0;
    // Modal input box; returns the typed or pasted text at any length, or the
    // empty text on cancel.
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // File-open dialog allowing several files. filters are Qt name filters
    // ("Text Files (*.txt)", "All Files (*)"), the first preselected.
    // Returns the full paths picked, in the dialog's order; empty on cancel.
    virtual QStringList OpenFiles(const QString& title, const QStringList& filters) = 0;
    // File-save dialog starting with initialName; returns the chosen path or
    // the empty text on cancel. Choosing a file that exists asks whether to
    // replace it; answering No keeps the dialog open.
    virtual QString SaveFile(const QString& title, const QStringList& filters, const QString& initialName) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Each returns false when the clipboard could not be reached this time.
    virtual bool Clear() = 0;
    virtual bool SetText(const QString& text) = 0;
    virtual QString Text() const = 0;
};

// Per-user settings: strings by application name, section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored string, or defaultValue when the key does not exist.
    // Throws AppError when the store exists but cannot be read (a line it
    // cannot parse is skipped, not a failure).
    virtual QString GetSetting(const QString& appName, const QString& section, const QString& key,
                               const QString& defaultValue) = 0;
    // Throws AppError when the value could not be written.
    virtual void SaveSetting(const QString& appName, const QString& section, const QString& key,
                             const QString& value) = 0;

    // The same as UTF-8 text, for long values (a store that keeps them as
    // UTF-8 spares the conversions).
    virtual std::string GetSettingUtf8(const QString& appName, const QString& section, const QString& key,
                                       std::string_view defaultValue) {
        const QString value = GetSetting(appName, section, key, Utf8ToText(defaultValue));
        return value.toUtf8().toStdString();
    }
    // Writes a value given in pieces: next(piece) is called until it returns
    // false, each time setting piece to the next piece of the text (UTF-8,
    // valid until the next call). pause, when given, is called between
    // slices of the work, so that a caller can keep its window answering
    // while a long value is written. Throws AppError as SaveSetting.
    virtual void SaveSettingPieces(const QString& appName, const QString& section, const QString& key,
                                   const std::function<bool(std::string_view&)>& next,
                                   const std::function<void()>& pause) {
        std::string text;
        std::string_view piece;
        while (next(piece)) {
            text.append(piece);
            if (pause) pause();
        }
        SaveSetting(appName, section, key, Utf8ToText(text));
    }

protected:
    // UTF-8 as text, a leading U+FEFF kept (QString::fromUtf8 drops it).
    static QString Utf8ToText(std::string_view utf8) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    }
};

class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // Opens the address with the desktop's handler, without waiting. Throws
    // AppError when the desktop has no program to open it.
    virtual void OpenUrl(const QUrl& url) = 0;
    // Ends the program at once (after the close request has run).
    virtual void EndProgram() = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Seeds the generator (the program passes the seconds since midnight).
    virtual void Seed(unsigned seed) = 0;
    // A number r with 0 <= r < 1.
    virtual double Next() = 0;
};

class SpreadsheetLauncher;  // export/Spreadsheet.h

// Everything the window needs from the platform, handed to Form1.
struct Platform {
    Dialogs& dialogs;
    Clipboard& clipboard;
    SettingsStore& settings;
    DesktopShell& shell;
    RandomSource& random;
    SpreadsheetLauncher* spreadsheet;  // nullptr: no spreadsheet application support built
    QString programFolder;             // the executable's folder, no trailing separator
};

}  // namespace bw
