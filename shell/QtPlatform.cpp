#include "QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>

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
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, title, DisplayText(prompt), QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QStringList QtDialogs::OpenFiles(const QString& title, const QStringList& filters) {
    return QFileDialog::getOpenFileNames(parent_, title, QString(), filters.join(QStringLiteral(";;")));
}

QString QtDialogs::SaveFile(const QString& title, const QStringList& filters, const QString& initialName) {
    return QFileDialog::getSaveFileName(parent_, title, initialName, filters.join(QStringLiteral(";;")));
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

QString QtSettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                    const QString& defaultValue) {
    QSettings store(FilePath(appName), QSettings::IniFormat);
    if (store.status() != QSettings::NoError) {
        throw AppError(("The settings file " + FilePath(appName) + " cannot be read").toStdString());
    }
    store.beginGroup(section);
    if (!store.contains(key)) return defaultValue;
    const QVariant value = store.value(key);
    // A hand-edited value with unquoted commas reads back as a list.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void QtSettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                  const QString& value) {
    QDir().mkpath(folder_);
    QSettings store(FilePath(appName), QSettings::IniFormat);
    store.beginGroup(section);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) {
        throw AppError(("The settings file " + FilePath(appName) + " cannot be written").toStdString());
    }
}

void QtDesktopShell::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

void QtDesktopShell::EndProgram() { QCoreApplication::exit(0); }

}  // namespace bw
