#include "shell/Settings.h"

#include "shell/AppError.h"

namespace bw {

QString GetProgramSetting(SettingsStore& store, const char* key, const QString& defaultValue) {
    return store.GetSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                            QString::fromLatin1(key), defaultValue);
}

void SaveProgramSetting(SettingsStore& store, const char* key, const QString& value) {
    store.SaveSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                      QString::fromLatin1(key), value);
}

bool TextToTruth(const QString& text) {
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = text.trimmed().toDouble(&isNumber);
    if (isNumber) return number != 0.0;
    throw AppError("Type mismatch");
}

}  // namespace bw
