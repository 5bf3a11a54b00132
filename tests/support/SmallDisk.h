#pragma once

// A small file system of its own for the tests of a full disk: a tmpfs of a
// few hundred KiB mounted on a fresh folder under /tmp (which needs root),
// filled up to what a test wants left free, unmounted when it goes.
//
//     SmallDisk disk(512 * 1024);
//     if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
//     ... write files into disk.Path(), then disk.Fill(4096) ...

#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <string>

namespace bw::test {

class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes) {
        char folder[] = "/tmp/basewright-small-disk-XXXXXX";
        if (!::mkdtemp(folder)) {
            why_ = std::string("no folder to mount it on: ") + std::strerror(errno);
            return;
        }
        path_ = QString::fromLocal8Bit(folder);
        if (::geteuid() != 0) {
            why_ = "mounting a small file system needs root; these tests run as an ordinary user";
            return;
        }
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            why_ = std::string("a tmpfs cannot be mounted here: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
        if (!path_.isEmpty()) QDir().rmdir(path_);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    QString Path() const { return path_; }
    QString FilePath(const QString& name) const { return path_ + QLatin1Char('/') + name; }

    // Fills the disk with a file of its own until about `left` bytes are free.
    void Fill(std::size_t left) {
        QFile filler(FilePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append)) return;
        const QByteArray block(4096, 'f');
        while (Free() > left + block.size()) {
            if (filler.write(block) != block.size() || !filler.flush()) break;
        }
    }
    std::size_t Free() const {
        struct statvfs info {};
        if (::statvfs(QFile::encodeName(path_).constData(), &info) != 0) return 0;
        return static_cast<std::size_t>(info.f_bavail) * info.f_frsize;
    }

private:
    QString path_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace bw::test
