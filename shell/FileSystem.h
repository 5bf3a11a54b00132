#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shell/AppError.h"

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

// The optional files that change the window's look (the hover cursor, the
// skin and what the skin refers to) are read only up to this size.
inline constexpr std::uint64_t kMaxLookFileBytes = std::uint64_t{4} << 20;

// The folders searched for a look file, first to last: the program's own
// folder, then basewright/ in each data folder of the desktop
// ($XDG_DATA_HOME, then each of $XDG_DATA_DIRS: ~/.local/share/basewright,
// /usr/local/share/basewright, /usr/share/basewright).
QStringList LookFileFolders(const QString& programFolder);

// The look file name (a path below those folders, such as "x/o.cjs") in
// the first folder that holds it; the empty text when none does. Whatever
// is there counts, a FIFO too (its reading then refuses it), except a
// folder of that name.
QString FindLookFile(const QString& programFolder, const QString& name);

// A file that could not be read or written: its path and the cause, named
// as the system names it ("No space left on device"). what() is
// "<path>: <cause>".
class FileError : public AppError {
public:
    FileError(const QString& path, const std::string& cause);
    const std::string& Cause() const { return cause_; }

private:
    std::string cause_;
};

// The system's text for an error number (strerror).
std::string ErrorText(int errorNumber);

// The whole content of a regular file of at most maxBytes, read without
// ever waiting on it: a FIFO, a device, a folder or a larger file is
// refused without being read. Throws FileError.
std::string ReadRegularFile(const QString& path, std::uint64_t maxBytes);

// Writes a file so that a failure leaves the file that was there whole.
//
// By default a new file is written beside the target (in the target's
// folder, symbolic links followed) and takes its place at Commit(), with
// the target's permissions and owner; until then the target is untouched,
// whatever happens to the program. Where the folder cannot take that new
// file but the target is an existing regular file that may be written, and
// the caller allows it, the target itself is written in place: Reserve()
// must then secure the whole new size on the file system before the first
// Write() touches a byte of it, and Commit() cuts the file to the bytes
// written. A failure before the first Write() leaves the file as it was; a
// failure after it (the program killed, or more written than reserved and
// the disk full) leaves the new text up to that point followed by the rest
// of the old one. Targets that are not regular files (a FIFO, a device) are
// refused. Every failure throws FileError.
class SafeFileWriter {
public:
    enum class Mode { kReplace, kInPlace };

    SafeFileWriter(const QString& path, bool allowInPlace);
    ~SafeFileWriter();  // an uncommitted write is discarded
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    Mode WriteMode() const { return mode_; }
    // Secures room for bytes of content on the file system.
    void Reserve(std::uint64_t bytes);
    void Write(std::string_view bytes);
    std::uint64_t Written() const { return written_; }
    // Makes the written text the file's content. The wait for the disk to
    // take the text, which can be long, runs beside the caller, who is
    // called at pause every few milliseconds meanwhile (when one is given).
    void Commit(const std::function<void()>& pause = {});
    // Leaves the target as it was (as far as nothing was written in place).
    void Discard() noexcept;

private:
    [[noreturn]] void Fail(int errorNumber) const;

    QString path_;         // as given, for the error texts
    std::string target_;   // symbolic links followed
    std::string newFile_;  // the file being written beside it (Replace)
    Mode mode_ = Mode::kReplace;
    int fd_ = -1;
    std::uint64_t written_ = 0;
    std::uint64_t reserved_ = 0;
    std::int64_t sizeBefore_ = -1;  // the target's size when opened in place
};

}  // namespace bw
