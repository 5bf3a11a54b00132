// Reading list files into a list: one row per line.

#include "shell/ListFileReader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "core/Utf8.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListStorage.h"
#include "shell/ListView.h"
#include "shell/Platform.h"
#include "shell/Yield.h"

namespace bw {

namespace {

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

namespace {

// Raised inside the line callbacks to end the reading of a file at once.
struct StopReading {};

// Turns the bytes of one line, given in pieces, into well-formed UTF-8:
// every byte that does not belong to a well-formed character becomes
// U+FFFD, as Qt's decoder has it, while a leading U+FEFF stays. Well-formed
// runs are handed on as views of the input, so nothing is copied here.
class Utf8Mender {
public:
    // Hands on the line's text for `piece`; bytes of a character that may go
    // on in the next piece are kept until then (`last`: there is none).
    template <class Out>
    void Feed(std::string_view piece, bool last, Out&& out) {
        std::size_t from = 0;
        if (carried_ > 0) {
            // The units that start in the carried bytes, decoded with the
            // first bytes of this piece after them.
            char window[sizeof carry_ + 4];
            std::memcpy(window, carry_, carried_);
            const std::size_t taken = std::min<std::size_t>(4, piece.size());
            if (taken > 0) std::memcpy(window + carried_, piece.data(), taken);
            const std::size_t size = carried_ + taken;
            std::size_t at = 0;
            while (at < carried_) {
                if (!last && size - at < 4) {
                    // Too few bytes yet to tell; the piece was shorter than 4.
                    carried_ = size - at;
                    std::memmove(carry_, window + at, carried_);
                    return;
                }
                at += DecodeInto(window + at, window + size, out);
            }
            from = at - carried_;
            carried_ = 0;
        }
        const auto* begin = reinterpret_cast<const unsigned char*>(piece.data());
        const auto* p = begin + from;
        const auto* end = begin + piece.size();
        const auto* run = p;  // start of the well-formed bytes not yet handed on
        auto flushRun = [&](const unsigned char* to) {
            if (to > run) out(std::string_view(reinterpret_cast<const char*>(run), static_cast<std::size_t>(to - run)));
        };
        while (p < end) {
            // Eight ASCII bytes at a time.
            if (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if ((word & 0x8080808080808080ull) == 0) {
                    p += 8;
                    continue;
                }
            }
            if (*p < 0x80) {
                ++p;
                continue;
            }
            if (!last && end - p < 4) break;  // a character that may go on in the next piece
            char32_t cp;
            const std::size_t length = DecodeUtf8Char(p, end, cp);
            if (length == 1) {
                flushRun(p);
                out(kReplacement);
                run = p + 1;
            }
            p += length;
        }
        flushRun(p);
        carried_ = static_cast<std::size_t>(end - p);
        if (carried_ > 0) std::memcpy(carry_, p, carried_);
    }

private:
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

    // Decodes one unit at p; returns its length.
    template <class Out>
    static std::size_t DecodeInto(const char* p, const char* end, Out&& out) {
        char32_t cp;
        const std::size_t length =
            DecodeUtf8Char(reinterpret_cast<const unsigned char*>(p), reinterpret_cast<const unsigned char*>(end), cp);
        if (length == 1 && static_cast<unsigned char>(*p) >= 0x80)
            out(kReplacement);
        else
            out(std::string_view(p, length));
        return length;
    }

    char carry_[3];
    std::size_t carried_ = 0;
};

// Appends the lines of one file to the list as they come from the splitter.
class RowsFromLines final : public LineConsumer {
public:
    RowsFromLines(ListView& list, Pacer& pacer, const ListFileLimits& limits, const QString& path)
        : list_(list), pacer_(pacer), limits_(limits), path_(path) {}

    void Line(std::string_view text) override {
        CheckLength(text.size());
        if (IsWellFormedUtf8(text)) {
            list_.AppendRow(std::span<const std::string_view>(&text, 1));
        } else {
            mended_.clear();
            Utf8Mender mender;
            mender.Feed(text, true, [&](std::string_view part) { mended_.append(part); });
            const std::string_view cell = mended_;
            list_.AppendRow(std::span<const std::string_view>(&cell, 1));
        }
        ++lines_;
        Paced(RowCost(text.size()));
    }

    void LongLineBegin(std::string_view head) override {
        row_.emplace();
        mender_ = Utf8Mender();
        lineBytes_ = 0;
        LongLinePart(head);
    }

    void LongLinePart(std::string_view part) override {
        lineBytes_ += part.size();
        CheckLength(lineBytes_);
        mender_.Feed(part, false, [&](std::string_view text) { row_->Append(text); });
        Paced(RowCost(part.size()));
    }

    void LongLineEnd() override {
        mender_.Feed({}, true, [&](std::string_view text) { row_->Append(text); });
        list_.AppendLongRow(std::move(*row_));
        row_.reset();
        ++lines_;
        Paced(1);
    }

    // The number of the line being read (from 1).
    std::size_t LineNumber() const { return lines_ + 1; }

private:
    void CheckLength(std::size_t bytes) const {
        if (bytes <= limits_.longestLine) return;
        throw AppError((path_ + QStringLiteral(": line %1 is too long to load (more than %2 bytes); reading stopped "
                                               "there, the lines before it were added")
                                    .arg(LineNumber())
                                    .arg(limits_.longestLine))
                           .toStdString());
    }

    // Lets the window run when the slice is over, with the rows read so far
    // shown; ends the reading when the window is going away.
    void Paced(std::size_t cost) {
        if (pacer_.Tick(cost) && pacer_.YieldShowing([this] { list_.FlushRows(); })) throw StopReading{};
    }

    ListView& list_;
    Pacer& pacer_;
    const ListFileLimits& limits_;
    const QString& path_;
    std::size_t lines_ = 0;
    std::string mended_;
    std::optional<LongRow> row_;  // the long line being read
    Utf8Mender mender_;
    std::size_t lineBytes_ = 0;
};

}  // namespace

void LoadListviewFromTextFile(ListView& list, const QString& path, Dialogs& dialogs, const QString& title,
                              const Pacing& pacing, const ListFileLimits& limits) {
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
    Pacer pacer(pacing);
    RowsFromLines rows(list, pacer, limits, path);
    LineSplitter splitter(rows, std::max<std::size_t>(limits.heldLine, 1));
    const std::size_t blockBytes = std::max<std::size_t>(limits.readBlock, 1);
    try {
        std::unique_ptr<char[]> buffer(new char[blockBytes]);
        for (;;) {
            const qint64 n = file.read(buffer.get(), static_cast<qint64>(blockBytes));
            if (n < 0) throw AppError((path + QStringLiteral(": ") + file.errorString()).toStdString());
            if (n == 0) break;
            splitter.Feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
        }
        splitter.Finish();
    } catch (const StopReading&) {
        // The window is going away: the rows read so far stay.
    } catch (const std::bad_alloc&) {
        throw AppError(QStringLiteral("Out of memory: line %1 of %2 could not be loaded; reading stopped there, the "
                                      "lines before it were added")
                           .arg(rows.LineNumber())
                           .arg(path)
                           .toStdString());
    }
}

}  // namespace bw
