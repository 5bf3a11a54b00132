#include "FileSystem.h"

#include <QDateTime>
#include <QFileInfo>

namespace bw {

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1); }

QString LocalFileName(const QString& path) { return QFileInfo(path).fileName(); }

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
