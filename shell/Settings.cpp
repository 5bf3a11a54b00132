#include "shell/Settings.h"

#include <QRegularExpression>
#include <algorithm>

#include "shell/AppError.h"

namespace bw {

namespace {

// A decimal number: optional sign, digits with an optional decimal point
// (digits on at least one side of it), an optional exponent. Nothing else
// counts as a number (no "nan", "inf", hexadecimal or grouping).
const QRegularExpression& DecimalNumber() {
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral(R"([+-]?(?<mantissa>[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)")));
    return pattern;
}

}  // namespace

QString GetProgramSetting(SettingsStore& store, const char* key, const QString& defaultValue) {
    return store.GetSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                            QString::fromLatin1(key), defaultValue);
}

void SaveProgramSetting(SettingsStore& store, const char* key, const QString& value) {
    store.SaveSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                      QString::fromLatin1(key), value);
}

std::string GetProgramSettingUtf8(SettingsStore& store, const char* key, std::string_view defaultValue) {
    return store.GetSettingUtf8(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                                QString::fromLatin1(key), defaultValue);
}

void SaveProgramSettingPieces(SettingsStore& store, const char* key, const std::function<bool(std::string_view&)>& next,
                              const std::function<void()>& pause) {
    store.SaveSettingPieces(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                            QString::fromLatin1(key), next, pause);
}

bool TextToTruth(const QString& text) {
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    // A number is false when it is zero: decided from its digits, so that no
    // value is lost to the range of a double (1e-400 is not zero, 1e400 is
    // no overflow).
    const QRegularExpressionMatch number = DecimalNumber().match(text.trimmed());
    if (number.hasMatch()) {
        const QStringView mantissa = number.capturedView(u"mantissa");
        return std::any_of(mantissa.begin(), mantissa.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    }
    throw AppError("Type mismatch");
}

}  // namespace bw
