// Reading list files into a list: one row per line.

#include "export/LoadNumbers.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <span>
#include <vector>

#include "shell/LocaleText.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListView.h"
#include "shell/Platform.h"
#include "shell/Yield.h"

namespace bw {

namespace {

constexpr qint64 kReadBlock = 1 << 20;

constexpr QChar kSeparator = QLatin1Char('/');

// Replaces each pair of adjacent separators with one, in one pass.
QString CollapseSeparatorPairs(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        out.append(c);
        if (c == kSeparator && i + 1 < text.size() && text[i + 1] == kSeparator) ++i;
    }
    return out;
}

}  // namespace

std::pair<QString, QString> SplitFolderAndName(const QString& path) {
    const qsizetype last = path.lastIndexOf(kSeparator);
    if (last < 0) return {QString(), path};
    return {path.left(last), path.mid(last + 1)};
}

QString JoinFolderAndName(const QString& folder, const QString& name) {
    return folder + kSeparator + name;
}

namespace {

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or values above U+10FFFF).
bool IsValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int extra;
        unsigned min;
        unsigned cp;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = b & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        p += extra + 1;
    }
    return true;
}

// Ends the list's append batch also when reading fails.
struct BatchGuard {
    explicit BatchGuard(ListView& l) : list(l) { list.BeginBatch(); }
    ~BatchGuard() { list.EndBatch(); }
    ListView& list;
};

}  // namespace

QString RemoveDoubleBackslashes(const QString& path) {
    if (path.startsWith(QLatin1String("//"))) {
        qsizetype i = 2;
        while (i < path.size() && path[i] == kSeparator) ++i;
        return QString(2, kSeparator) + CollapseSeparatorPairs(QStringView(path).mid(i));
    }
    return CollapseSeparatorPairs(path);
}

QStringList JoinPickedPaths(const QStringList& picked) {
    if (picked.size() <= 1) return picked;
    QStringList paths;
    for (const QString& p : picked) {
        const auto [folder, name] = SplitFolderAndName(p);
        paths << RemoveDoubleBackslashes(JoinFolderAndName(folder, name));
    }
    return paths;
}

void ListFileLineSplitter::Finish(const Sink& sink) {
    if (!pending_.empty() || afterLoneLF_) sink(std::string_view(pending_));
    pending_.clear();
    afterCR_ = false;
    afterLoneLF_ = false;
}

void LoadListviewFromTextFile(ListView& list, const QString& path, Dialogs& dialogs, const QString& title,
                              const std::function<bool()>& stop, int yieldSliceMs) {
    if (!FileExists(path)) {
        dialogs.MessageBox(QStringLiteral("File not found"), kMsgOkOnly, title);
        return;
    }
    // A pipe or a device could block the window or never end: only folders
    // (which fail below with the system's reason) and files are opened.
    const QFileInfo info(path);
    if (!info.isFile() && !info.isDir())
        throw AppError((path + QStringLiteral(": Not a regular file")).toStdString());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError((path + QStringLiteral(": ") + file.errorString()).toStdString());

    BatchGuard batch(list);
    TimeSliceYield ticker(yieldSliceMs);
    const bool utf8 = LocaleIsUtf8();
    std::string converted;
    unsigned sinceCheck = 0;
    bool stopped = false;
    auto append = [&](std::string_view line) {
        std::string_view cell = line;
        if (!utf8 || !IsValidUtf8(line)) {
            // The locale decoder's view of the bytes (malformed ones become U+FFFD).
            converted = QString::fromLocal8Bit(line.data(), static_cast<qsizetype>(line.size())).toUtf8().toStdString();
            cell = converted;
        }
        list.AppendRow(std::span<const std::string_view>(&cell, 1));
        if (++sinceCheck >= 256) {
            sinceCheck = 0;
            if (ticker.Due()) {
                list.FlushRows();
                ticker.Yield();
                if (stop && stop()) stopped = true;
            }
        }
    };

    ListFileLineSplitter splitter;
    std::unique_ptr<char[]> buffer(new char[kReadBlock]);
    for (;;) {
        const qint64 n = file.read(buffer.get(), kReadBlock);
        if (n < 0) throw AppError((path + QStringLiteral(": ") + file.errorString()).toStdString());
        if (n == 0) break;
        // Lines already complete in the block are appended even when a stop
        // comes in the middle; reading ends after the block.
        splitter.Feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)), append);
        if (stopped) return;
    }
    splitter.Finish(append);
}

}  // namespace bw
