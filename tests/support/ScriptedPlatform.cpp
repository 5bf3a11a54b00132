#include "support/ScriptedPlatform.h"

#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/Settings.h"

namespace bw {

void ScriptedDialogs::MessageBox(const QString& text, int style, const QString& title) {
    messages.push_back({text, style, title});
    if (onMessage) onMessage(messages.back());
}

QString ScriptedDialogs::InputBox(const QString& prompt, const QString& title, const QString&) {
    inputBoxes.push_back({prompt, 0, title});
    if (inputAnswers_.empty()) return QString();
    auto answer = inputAnswers_.front();
    inputAnswers_.pop_front();
    if (auto* failure = std::get_if<std::string>(&answer)) throw AppError(*failure);
    return std::get<QString>(answer);
}

QStringList ScriptedDialogs::OpenFiles(const QString& title, const QStringList& filters) {
    fileDialogs.push_back({QStringLiteral("open"), title, filters, QString()});
    if (openAnswers_.empty()) return {};
    QStringList answer = openAnswers_.front();
    openAnswers_.pop_front();
    return answer;
}

QString ScriptedDialogs::SaveFile(const QString& title, const QStringList& filters, const QString& initialName) {
    fileDialogs.push_back({QStringLiteral("save"), title, filters, initialName});
    if (saveAnswers_.empty()) return QString();
    QString answer = saveAnswers_.front();
    saveAnswers_.pop_front();
    return answer;
}

std::vector<RecordedMessage> ScriptedDialogs::ErrorReports() const {
    std::vector<RecordedMessage> reports;
    for (const auto& m : messages)
        if (m.title == QLatin1String(kErrorReportTitle)) reports.push_back(m);
    return reports;
}

bool ScriptedClipboard::Clear() {
    ++clearCalls;
    if (failClears > 0) {
        --failClears;
        return false;
    }
    text_.clear();
    return true;
}

bool ScriptedClipboard::SetText(const QString& text) {
    ++setCalls;
    if (failSets > 0) {
        --failSets;
        return false;
    }
    text_ = text;
    return true;
}

QString MemorySettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                        const QString& defaultValue) {
    if (failingReads.count(key)) throw AppError("The settings store cannot be read");
    auto it = values_.find({appName, section, key});
    return it == values_.end() ? defaultValue : it->second;
}

void MemorySettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                      const QString& value) {
    if (failingWrites.count(key)) throw AppError("The settings store cannot be written");
    values_[{appName, section, key}] = value;
    writes.emplace_back(key, value);
}

std::optional<QString> MemorySettingsStore::Stored(const QString& key) const {
    auto it = values_.find({QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection), key});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemorySettingsStore::Store(const QString& key, const QString& value) {
    values_[{QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection), key}] = value;
}

ScriptedPlatform::ScriptedPlatform()
    : platform_{dialogs, clipboard, settings, shell, random, nullptr, programFolder_.path()} {}

}  // namespace bw
