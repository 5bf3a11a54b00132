#include "FileSystem.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>

namespace bw {

namespace {

// Following a chain of symbolic links stops after this many.
constexpr int kMaxLinks = 40;

std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The path with its symbolic links followed to the file they end at (which
// need not exist); a relative link is taken from the link's folder.
std::string FollowLinks(std::string path) {
    for (int depth = 0; depth < kMaxLinks; ++depth) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
        target.resize(static_cast<std::size_t>(length));
        if (target.empty() || target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = std::move(target);
    }
    return path;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// posix_fallocate, retried when interrupted; 0 when done or when the file
// system cannot reserve space at all (the write then finds out).
int ReserveRange(int fd, std::uint64_t offset, std::uint64_t length) {
    if (length == 0) return 0;
    int result;
    do {
        result = ::posix_fallocate(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
    } while (result == EINTR);
    if (result == EOPNOTSUPP || result == ENOSYS || result == EINVAL) return 0;
    return result;
}

}  // namespace

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

QStringList LookFileFolders(const QString& programFolder) {
    QStringList folders;
    if (!programFolder.isEmpty()) folders << programFolder;
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + QStringLiteral("/basewright");
    return folders;
}

QString FindLookFile(const QString& programFolder, const QString& name) {
    for (const QString& folder : LookFileFolders(programFolder)) {
        const QString path = folder + QLatin1Char('/') + name;
        struct stat info {};
        if (::stat(Encoded(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) return path;
    }
    return QString();
}

FileError::FileError(const QString& path, const std::string& cause)
    : AppError(path.toStdString() + ": " + cause), cause_(cause) {}

std::string ErrorText(int errorNumber) { return std::strerror(errorNumber); }

std::string ReadRegularFile(const QString& path, std::uint64_t maxBytes) {
    // Opened without waiting, so that a FIFO cannot hold the program; what
    // it is, is asked of the open file itself.
    const int fd = ::open(Encoded(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw FileError(path, ErrorText(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) throw FileError(path, ErrorText(errno));
    if (!S_ISREG(info.st_mode)) throw FileError(path, "not a regular file");
    const auto tooLarge = [&] { return FileError(path, "larger than " + std::to_string(maxBytes) + " bytes"); };
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) throw tooLarge();
    // A file may hold more than its size says (files of /proc) or grow while
    // it is read: reading stops one byte past the limit.
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t have = 0;
    for (;;) {
        if (have == content.size()) {
            if (content.size() > maxBytes) throw tooLarge();
            content.resize(std::min<std::uint64_t>(maxBytes + 1, std::max<std::uint64_t>(4096, content.size() * 2)));
        }
        const ssize_t got = ::read(fd, content.data() + have, content.size() - have);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw FileError(path, ErrorText(errno));
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    if (have > maxBytes) throw tooLarge();
    content.resize(have);
    return content;
}

SafeFileWriter::SafeFileWriter(const QString& path, bool allowInPlace)
    : path_(path), target_(FollowLinks(Encoded(path))) {
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) throw FileError(path_, "not a regular file");
    // A file the user may not write is not replaced either.
    if (exists && ::access(target_.c_str(), W_OK) != 0) Fail(errno);

    newFile_ = target_ + ".XXXXXX";
    fd_ = ::mkostemp(newFile_.data(), O_CLOEXEC);
    if (fd_ >= 0) {
        // The new file takes the old one's permissions and owner (as far as
        // this user may give them), or those of a file created anew.
        const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
        ::fchmod(fd_, mode);
        if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
            if (::fchown(fd_, old.st_uid, old.st_gid) != 0) (void)::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
            ::fchmod(fd_, mode);
        }
        return;
    }
    const int createError = errno;
    newFile_.clear();
    const bool folderRefuses = createError == EACCES || createError == EPERM || createError == ENOSPC ||
                               createError == EDQUOT || createError == EROFS;
    if (!allowInPlace || !exists || !folderRefuses) Fail(createError);
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) Fail(errno);
    mode_ = Mode::kInPlace;
    sizeBefore_ = old.st_size;
}

SafeFileWriter::~SafeFileWriter() { Discard(); }

void SafeFileWriter::Fail(int errorNumber) const { throw FileError(path_, ErrorText(errorNumber)); }

void SafeFileWriter::Reserve(std::uint64_t bytes) {
    if (fd_ < 0) Fail(EBADF);
    if (bytes <= reserved_) return;
    if (const int result = ReserveRange(fd_, reserved_, bytes - reserved_)) Fail(result);
    reserved_ = bytes;
}

void SafeFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0) Fail(EBADF);
    // Text in place beyond the room secured: more room first, so that the
    // disk filling up stops the write before it, not in the middle of it.
    if (mode_ == Mode::kInPlace && written_ + bytes.size() > reserved_) Reserve(written_ + bytes.size());
    while (!bytes.empty()) {
        const ssize_t done = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(written_));
        if (done < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        written_ += static_cast<std::uint64_t>(done);
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
}

void SafeFileWriter::Commit(const std::function<void()>& pause) {
    if (fd_ < 0) Fail(EBADF);
    // Room reserved but not filled is given back.
    struct stat now {};
    if (::fstat(fd_, &now) != 0) Fail(errno);
    if (static_cast<std::uint64_t>(now.st_size) != written_ && ::ftruncate(fd_, static_cast<off_t>(written_)) != 0)
        Fail(errno);
    // The sync on a thread of its own, so that the caller can go on pausing.
    auto sync = [fd = fd_] { return ::fdatasync(fd) == 0 ? 0 : errno; };
    int syncError = 0;
    if (pause) {
        std::future<int> synced = std::async(std::launch::async, sync);
        while (synced.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) pause();
        syncError = synced.get();
    } else {
        syncError = sync();
    }
    if (syncError != 0 && syncError != EINVAL && syncError != EROFS) Fail(syncError);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        const int closeError = errno;
        if (!newFile_.empty()) ::unlink(newFile_.c_str());
        newFile_.clear();
        Fail(closeError);
    }
    if (mode_ == Mode::kReplace) {
        if (::rename(newFile_.c_str(), target_.c_str()) != 0) {
            const int renameError = errno;
            ::unlink(newFile_.c_str());
            newFile_.clear();
            Fail(renameError);
        }
        newFile_.clear();
    }
}

void SafeFileWriter::Discard() noexcept {
    if (fd_ >= 0) {
        // In place and nothing written yet: a reservation that grew the file
        // is taken back.
        if (mode_ == Mode::kInPlace && written_ == 0 && sizeBefore_ >= 0) {
            struct stat now {};
            if (::fstat(fd_, &now) == 0 && now.st_size != sizeBefore_) (void)::ftruncate(fd_, sizeBefore_);
        }
        ::close(fd_);
        fd_ = -1;
    }
    if (!newFile_.empty()) {
        ::unlink(newFile_.c_str());
        newFile_.clear();
    }
}

}  // namespace bw
