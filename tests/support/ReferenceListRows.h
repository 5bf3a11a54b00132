#pragma once

// The rows a list file gives, by an independent reading (ReferenceLines).

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>
#include <vector>

#include "support/ReferenceLines.h"

namespace bw::test {

// The rows a list file gives: its lines, each decoded from UTF-8 as Qt does
// (malformed bytes replaced, a leading U+FEFF kept), as UTF-8.
inline std::vector<std::string> ReferenceListRows(std::string_view bytes) {
    std::vector<std::string> rows = ReferenceLines(bytes);
    for (std::string& row : rows) {
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
        row = QString(decoder.decode(QByteArrayView(row.data(), static_cast<qsizetype>(row.size()))))
                  .toUtf8()
                  .toStdString();
    }
    return rows;
}

}  // namespace bw::test
