#pragma once

// Loading number lists from text files into a list: one row per line.

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "core/LineSplitter.h"
#include "shell/Yield.h"

namespace bw {

class Dialogs;
class ListView;

// Paths here are the system's: "/" is the one separator, and a backslash is
// an ordinary character of a file or folder name ("a\b.txt" is one name).

// Cleans a path joined from a folder and a name: every pair of adjacent "/"
// becomes one, in a single left-to-right pass (three become two, four become
// two). A path that starts with "//" (a network path) keeps exactly two
// leading slashes, however many it had; a single leading slash stays single.
// Backslashes are left as they are. A name holds no "/", so only the folder
// and the separator after it are changed; the name stays as picked.
QString RemoveDoubleBackslashes(const QString& path);

// The folder and the name of a picked path: the text before and after its
// last "/" (no folder when it holds none).
std::pair<QString, QString> SplitFolderAndName(const QString& path);

// The folder, the separator "/" and the name.
QString JoinFolderAndName(const QString& folder, const QString& name);

// The full paths to load for the files picked in the open dialog, in the
// dialog's order: one path as it is; several as their folder, the separator
// and their name, cleaned by RemoveDoubleBackslashes.
QStringList JoinPickedPaths(const QStringList& picked);

// Splits a list file into lines: the core's LineSplitter with the list
// file's rule for the end of the file, lines of any length held whole. A
// line ends at CR, at a CR LF pair (one terminator) or at a lone LF; after a
// terminator at the very end there is no further line. Bytes may arrive in
// pieces of any size (a CR LF pair split across two pieces is still one
// terminator).
class ListFileLineSplitter {
public:
    using Sink = std::function<void(std::string_view)>;
    ListFileLineSplitter() = default;
    ListFileLineSplitter(const ListFileLineSplitter&) = delete;
    ListFileLineSplitter& operator=(const ListFileLineSplitter&) = delete;
    // Calls sink once per completed line (the view is valid only during the call).
    template <class F>
    void Feed(std::string_view bytes, F&& sink);
    void Finish(const Sink& sink);

private:
    // Hands each line to the sink of the call in progress.
    struct Lines final : LineConsumer {
        Sink sink;
        void Line(std::string_view text) override { sink(text); }
        // Without a length limit no line arrives in pieces.
        void LongLineBegin(std::string_view) override {}
        void LongLinePart(std::string_view) override {}
        void LongLineEnd() override {}
    };
    Lines lines_;
    LineSplitter splitter_{lines_, static_cast<std::size_t>(-1)};
};

// The longest line a list file may have, in bytes. A longer line cannot be
// held: reading its file ends there with a failure that names the line.
inline constexpr std::size_t kListFileLongestLine = std::size_t{1} << 30;

// How a list file is read.
struct ListFileLimits {
    // A longer line ends the reading of its file (see kListFileLongestLine).
    std::size_t longestLine = kListFileLongestLine;
    // Lines up to this many bytes are read whole and then appended; longer
    // ones go into the list's storage in pieces as they are read, so that
    // no line is ever held twice.
    std::size_t heldLine = std::size_t{1} << 16;
    // Bytes read from the file at a time.
    std::size_t readBlock = std::size_t{1} << 20;
};

// Appends every line of the file as one row of the list, also empty lines.
// Text is read as UTF-8, the local 8-bit encoding Qt 6 takes on every Unix
// system; a byte that does not belong to a well-formed character becomes
// U+FFFD (as Qt's decoder has it), and a leading U+FEFF stays a character of
// the first row. A missing file shows "File not found" (OK only, no icon,
// the given title) and adds nothing. Any other failure to open or read, and
// a line longer than limits.longestLine, throws AppError with the reason
// (a pipe or a device is refused as not a regular file; running out of
// memory is named so); the rows read before it stay. Memory stays bounded
// whatever the lines' lengths: one read block besides the rows themselves.
// The window's pending events are processed as paced; when pacing.stop()
// says so, reading ends there.
void LoadListviewFromTextFile(ListView& list, const QString& path, Dialogs& dialogs, const QString& title,
                              const Pacing& pacing = {}, const ListFileLimits& limits = {});

// ---- implementation of the template ----

template <class F>
void ListFileLineSplitter::Feed(std::string_view bytes, F&& sink) {
    lines_.sink = std::ref(sink);
    splitter_.Feed(bytes);
}

}  // namespace bw
