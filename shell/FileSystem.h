#pragma once

#include <QString>

namespace bw {

// The text after the last path separator ("/" or "\\"); the whole text when
// there is none; the empty text when it ends with one.
QString FileNamePart(const QString& path);

// True when the path's last-modified time can be read; never throws.
bool FileExists(const QString& path);

}  // namespace bw
