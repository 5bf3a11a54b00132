#include "Settings.h"

#include "AppError.h"

namespace bw {

bool TextToTruth(const QString& text) {
    if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = text.trimmed().toDouble(&isNumber);
    if (isNumber) return number != 0.0;
    throw AppError("Type mismatch");
}

}  // namespace bw
