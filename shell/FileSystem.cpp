#include "FileSystem.h"

#include <QDateTime>
#include <QFileInfo>

namespace bw {

QString FileNamePart(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? path : path.mid(cut + 1);
}

bool FileExists(const QString& path) {
    try {
        if (path.isEmpty()) return false;
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

}  // namespace bw
