#include "QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <limits>

#include "AppError.h"

namespace bw {

QString QtDialogs::DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtDialogs::MessageBox(const QString& text, int style, const QString& title) {
    QMessageBox box(style == kMsgExclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, DisplayText(text),
                    QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

QString QtDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog box(parent_);
    box.setWindowTitle(title);
    box.setLabelText(DisplayText(prompt));
    box.setInputMode(QInputDialog::TextInput);
    // The box returns whatever was typed or pasted, at any length: QLineEdit
    // would otherwise cut the text at 32767 characters without a word.
    if (auto* edit = box.findChild<QLineEdit*>()) edit->setMaxLength(std::numeric_limits<int>::max());
    box.setTextValue(defaultText);
    if (box.exec() != QDialog::Accepted) return QString();
    return box.textValue();
}

namespace {

// The filters of a file dialog, the first one chosen. (Qt shows the
// desktop's own file dialog where the platform offers one, GTK's or KDE's,
// and its widget dialog elsewhere.)
void SetUpFileDialog(QFileDialog& dialog, const QStringList& filters) {
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
}

}  // namespace

QStringList QtDialogs::OpenFiles(const QString& title, const QStringList& filters) {
    QFileDialog dialog(parent_, title);
    SetUpFileDialog(dialog, filters);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);  // several files at once
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString QtDialogs::SaveFile(const QString& title, const QStringList& filters, const QString& initialName) {
    QFileDialog dialog(parent_, title, initialName);
    SetUpFileDialog(dialog, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Choosing a file that exists asks "... already exists. Do you want to
    // replace it?" before the dialog closes: a mistaken click must not
    // destroy a file. (Set here on purpose, not left to Qt's default.)
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

bool QtClipboard::Clear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->clear();
    return true;
}

bool QtClipboard::SetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text);
    return true;
}

QString QtClipboard::Text() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

QtSettingsStore::QtSettingsStore(QString folder) : folder_(std::move(folder)) {
    if (folder_.isEmpty()) folder_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString QtSettingsStore::FilePath(const QString& appName) const { return QDir(folder_).filePath(appName + ".ini"); }

namespace {

// QSettings reads a file it cannot open as an empty one, without a word. A
// file that exists but cannot be opened (no read permission) is reported
// instead, both when reading a value and before writing one: writing over
// such a file would replace every value in it with the one key written.
void RequireReadable(const QString& path) {
    QFile file(path);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        throw AppError(("The settings file " + path + " cannot be read: " + file.errorString()).toStdString());
    }
}

}  // namespace

QString QtSettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                    const QString& defaultValue) {
    const QString path = FilePath(appName);
    RequireReadable(path);
    // A line QSettings cannot parse (FormatError) is skipped, and every
    // other value of the file is still read: that is no failure to read.
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(section);
    if (!store.contains(key)) return defaultValue;
    const QVariant value = store.value(key);
    // A hand-edited value with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void QtSettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                  const QString& value) {
    const QString path = FilePath(appName);
    RequireReadable(path);
    QDir().mkpath(folder_);
    QSettings store(path, QSettings::IniFormat);
    const bool hadUnparsedLines = store.status() == QSettings::FormatError;
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    // QSettings keeps the first status it met: a FormatError from reading
    // stays after a successful write, and hides an AccessError of the write.
    // After a FormatError a second QSettings over the same file tells: it
    // shares the first one's unsaved change, writes it again if it is still
    // pending, and reports its own status (it does not parse the file again).
    bool written = store.status() == QSettings::NoError;
    if (hadUnparsedLines && store.status() == QSettings::FormatError) {
        QSettings check(path, QSettings::IniFormat);
        written =
            check.status() == QSettings::NoError && check.value(section + QLatin1Char('/') + key).toString() == value;
    }
    if (!written) throw AppError(("The settings file " + path + " cannot be written").toStdString());
}

void QtDesktopShell::OpenUrl(const QUrl& url) {
    if (!QDesktopServices::openUrl(url)) {
        throw AppError(("No program was found to open the web page " + url.toDisplayString()).toStdString());
    }
}

void QtDesktopShell::EndProgram() { QCoreApplication::exit(0); }

}  // namespace bw
