// Reading list files into a list: one row per line.

#include "shell/ListFileReader.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <span>
#include <vector>

#include "core/Utf8.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListView.h"
#include "shell/LocaleText.h"
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

QString JoinFolderAndName(const QString& folder, const QString& name) { return folder + kSeparator + name; }

namespace {

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
    lines_.sink = std::cref(sink);
    splitter_.Finish();
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
    if (!info.isFile() && !info.isDir()) throw AppError((path + QStringLiteral(": Not a regular file")).toStdString());
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
        if (!utf8 || !IsWellFormedUtf8(line)) {
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
