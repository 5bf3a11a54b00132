#pragma once

#include <QString>

namespace bw {

// The text after the last backslash; the whole text when it holds none; the
// empty text when it ends with one. A "/" is an ordinary character here:
// the conversion run shows its entry through this ("1/2" stays "1/2").
QString FileNamePart(const QString& path);

// The name of a file on this system: the text after the last "/" of its
// path (a backslash is part of a name here); the empty text when the path
// ends with "/". The text file save shows the file it writes through this.
QString LocalFileName(const QString& path);

// True when the path's last-modified time can be read; never throws.
bool FileExists(const QString& path);

}  // namespace bw
