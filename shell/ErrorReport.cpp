#include "ErrorReport.h"

namespace bw {

void ErrorReport::Report(const std::string& description) {
    ++reports_;
    dialogs_.MessageBox(MessageText(QString::fromStdString(description), location_, line_), kMsgExclamation,
                        QString::fromLatin1(kErrorReportTitle));
}

QString ErrorReport::MessageText(const QString& description, const char* location, int line) {
    return description + QStringLiteral("\r\n") + QString::fromLatin1(location) + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + QString::fromLatin1(kSupportAddress);
}

}  // namespace bw
