#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "shell/Platform.h"

namespace bw {

// Where the program keeps its three values between runs.
inline constexpr const char* kSettingsApp = "Marlquist";
inline constexpr const char* kSettingsSection = "Basewright";
inline constexpr const char* kKeyOption1 = "Option1";     // "Show full results" set: "True"/"False"
inline constexpr const char* kKeyOption2 = "Option2";     // "Show results only" set: "True"/"False"
inline constexpr const char* kKeyZipCodes = "Zip Codes";  // the input list, rows joined with ";"

// The program's value under key, or defaultValue when there is none.
// Throws AppError when the store cannot be read.
QString GetProgramSetting(SettingsStore& store, const char* key, const QString& defaultValue);
// Throws AppError when the store cannot be written.
void SaveProgramSetting(SettingsStore& store, const char* key, const QString& value);
// The same for long values, as UTF-8 (see SettingsStore).
std::string GetProgramSettingUtf8(SettingsStore& store, const char* key, std::string_view defaultValue);
void SaveProgramSettingPieces(SettingsStore& store, const char* key, const std::function<bool(std::string_view&)>& next,
                              const std::function<void()>& pause);

// "True"/"False" in any letter case, or a decimal number with optional sign,
// decimal point and exponent, blanks around it allowed (zero is false). Any
// other text, "nan" and "inf" included, throws AppError("Type mismatch").
bool TextToTruth(const QString& text);

// How a truth value is stored.
inline QString TruthToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

}  // namespace bw
