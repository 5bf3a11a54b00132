#pragma once

// The locale's 8-bit text encoding, used for the list files read and the
// text files written.

#include <QString>

namespace bw {

// Whether the locale's 8-bit encoding is UTF-8 (always so for Qt 6 on Unix),
// so that UTF-8 texts can be read and written without conversion.
inline bool LocaleIsUtf8() {
    static const bool utf8 = QString::fromLocal8Bit("\xC3\xA9") == QString(QChar(0xE9));
    return utf8;
}

}  // namespace bw
