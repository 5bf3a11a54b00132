#pragma once

// Loading number lists from text files into a list: one row per line.

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

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

// Splits a byte stream into lines. A line ends at CR, at a CR LF pair (one
// terminator) or at a lone LF. At the end, a last line without terminator
// is a line, and so is the empty text after a final lone LF; after a final
// CR or CR LF there is no further line. Bytes may arrive in pieces of any
// size (a CR LF pair split across two pieces is still one terminator).
class ListFileLineSplitter {
public:
    using Sink = std::function<void(std::string_view)>;
    // Calls sink once per completed line (the view is valid only during the call).
    template <class F>
    void Feed(std::string_view bytes, F&& sink);
    void Finish(const Sink& sink);

private:
    std::string pending_;     // the start of a line that began in an earlier piece
    bool afterCR_ = false;    // the last byte seen was a CR (a following LF belongs to it)
    bool afterLoneLF_ = false;  // the last terminator seen was a lone LF
};

// Appends every line of the file as one row of the list, also empty lines.
// Text is decoded as the system's locale does (UTF-8 here). A missing file
// shows "File not found" (OK only, no icon, the given title) and adds
// nothing. Any other failure to open or read throws AppError with the
// system's reason (a pipe or a device is refused as not a regular file);
// the rows read before it stay. The window's pending events
// are processed every yieldSliceMs while a large file is read; when stop()
// returns true after such a pause, reading ends there.
void LoadListviewFromTextFile(ListView& list, const QString& path, Dialogs& dialogs, const QString& title,
                              const std::function<bool()>& stop = {}, int yieldSliceMs = kYieldSliceMs);

// ---- implementation of the template ----

template <class F>
void ListFileLineSplitter::Feed(std::string_view bytes, F&& sink) {
    std::size_t pos = 0;
    const std::size_t n = bytes.size();
    if (afterCR_ && n > 0) {
        afterCR_ = false;
        if (bytes[0] == '\n') pos = 1;  // the LF of a CR LF pair
    }
    while (pos < n) {
        // Find the next CR or LF.
        std::size_t end = pos;
        const char* data = bytes.data();
        while (end < n && data[end] != '\r' && data[end] != '\n') ++end;
        if (end == n) {
            pending_.append(data + pos, n - pos);
            afterLoneLF_ = false;
            return;
        }
        const std::string_view piece(data + pos, end - pos);
        if (pending_.empty()) {
            sink(piece);
        } else {
            pending_.append(piece);
            sink(std::string_view(pending_));
            pending_.clear();
        }
        if (data[end] == '\r') {
            afterLoneLF_ = false;
            if (end + 1 < n) {
                pos = end + 1 + (data[end + 1] == '\n');
            } else {
                afterCR_ = true;
                pos = n;
            }
        } else {
            afterLoneLF_ = true;
            pos = end + 1;
        }
    }
}

}  // namespace bw
