// Reading and writing files safely: the bounded reader of look files, the
// folders searched for them, and the writer that leaves the old file whole
// (a new file beside it, or in place after reserving the room), on a full
// disk too.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <string>

#include "shell/FileSystem.h"
#include "support/AsOrdinaryUser.h"
#include "support/QtPrinters.h"
#include "support/SmallDisk.h"

namespace bw::test {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// The cause ReadRegularFile gives, or "" when it read the file.
std::string RefusalOf(const QString& path, std::uint64_t maxBytes) {
    try {
        (void)ReadRegularFile(path, maxBytes);
        return "";
    } catch (const FileError& e) {
        return e.Cause();
    }
}

TEST(ReadRegularFile, ReadsOnlyRegularFilesOfBoundedSize) {
    QTemporaryDir dir;
    WriteAll(dir.filePath("small"), "abc");
    WriteAll(dir.filePath("large"), QByteArray(5000, 'x'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero")));
    const struct {
        QString path;
        std::string refusal;
    } cases[] = {
        {dir.filePath("small"), ""},
        {dir.filePath("large"), "larger than 4096 bytes"},
        {dir.filePath("fifo"), "not a regular file"},  // not waited on
        {dir.filePath("zero"), "not a regular file"},
        {dir.path(), "not a regular file"},
        {dir.filePath("missing"), "No such file or directory"},
        {"/proc/self/status", ""},  // its size says 0, and it is read whole
    };
    for (const auto& c : cases) EXPECT_EQ(RefusalOf(c.path, 4096), c.refusal) << c.path.toStdString();
    EXPECT_EQ(ReadRegularFile(dir.filePath("small"), 3), "abc");
}

// The look file folders in their order, with the desktop's data folders
// taken from the environment.
class LookFolders : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) saved_.emplace_back(name, qgetenv(name));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("home")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath("local") + ":" + dir.filePath("system")));
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value.isNull()) {
                qunsetenv(name);
            } else {
                qputenv(name, value);
            }
        }
    }
    QTemporaryDir dir;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(LookFolders, TheProgramsFolderThenTheUsersThenTheSystems) {
    const QString program = dir.filePath("program");
    EXPECT_EQ(LookFileFolders(program),
              QStringList({program, dir.filePath("home/basewright"), dir.filePath("local/basewright"),
                           dir.filePath("system/basewright")}));
    // Each file is looked up on its own; the first folder that holds it wins.
    const struct {
        QStringList holders;  // folders (below dir) that hold x/o.cjs
        QString found;
    } cases[] = {
        {{}, QString()},
        {{"system/basewright"}, dir.filePath("system/basewright/x/o.cjs")},
        {{"local/basewright", "system/basewright"}, dir.filePath("local/basewright/x/o.cjs")},
        {{"home/basewright", "local/basewright"}, dir.filePath("home/basewright/x/o.cjs")},
        {{"program", "home/basewright"}, dir.filePath("program/x/o.cjs")},
    };
    for (const auto& c : cases) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        for (const QString& holder : c.holders) WriteAll(dir.filePath(holder + "/x/o.cjs"), "QWidget {}");
        EXPECT_EQ(FindLookFile(program, "x/o.cjs"), c.found) << c.holders.join(' ').toStdString();
    }
    // A folder of the file's name holds no file; a FIFO does (and is then
    // refused when read).
    QDir().mkpath(dir.filePath("program/HAND-M.CUR"));
    WriteAll(dir.filePath("home/basewright/HAND-M.CUR"), "cursor");
    EXPECT_EQ(FindLookFile(program, "HAND-M.CUR"), dir.filePath("home/basewright/HAND-M.CUR"));
    QDir().mkpath(dir.filePath("local/basewright"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("local/basewright/o.css")).constData(), 0600), 0);
    EXPECT_EQ(FindLookFile(program, "o.css"), dir.filePath("local/basewright/o.css"));
}

TEST(SafeFileWriter, ReplacesTheFileOnlyWhenCommitted) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    WriteAll(path, "old");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    {
        SafeFileWriter writer(path, true);
        EXPECT_EQ(writer.WriteMode(), SafeFileWriter::Mode::kReplace);
        writer.Reserve(100);
        writer.Write("new text");
        EXPECT_EQ(ReadAll(path), "old");  // until the commit
    }
    EXPECT_EQ(ReadAll(path), "old");  // not committed: discarded
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"});
    {
        SafeFileWriter writer(path, true);
        writer.Reserve(100);  // more room than written is given back
        writer.Write("new text");
        writer.Commit();
    }
    EXPECT_EQ(ReadAll(path), "new text");
    const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(path) & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"});
}

TEST(SafeFileWriter, RefusesWhatIsNoRegularFile) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/null"), dir.path()}) {
        try {
            SafeFileWriter writer(path, true);
            ADD_FAILURE() << "no failure for " << path.toStdString();
        } catch (const FileError& e) {
            EXPECT_EQ(e.Cause(), "not a regular file") << path.toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

// A folder where the user cannot create files, holding a file they may write,
// on a small disk: the file is written in place when the new text fits, and
// left whole when it does not. Run as an ordinary user (root creates files
// anywhere); the disk is mounted by root first.
constexpr const char* kLockedFolderVar = "BASEWRIGHT_TEST_LOCKED_FOLDER";

TEST(SafeFileWriter, InPlaceTheRoomIsReservedBeforeTheOldTextIsTouched) {
    std::optional<SmallDisk> disk;
    if (!qEnvironmentVariableIsSet(kLockedFolderVar)) {
        disk.emplace(256 * 1024);
        if (!disk->Mounted()) GTEST_SKIP() << disk->Why();
        const QString folder = disk->FilePath("locked");
        QDir().mkpath(folder);
        WriteAll(folder + "/fits.txt", "old text that is longer than the new one\n");
        WriteAll(folder + "/too-long.txt", "old text\n");
        for (const char* name : {"/fits.txt", "/too-long.txt"})
            ::chmod(QFile::encodeName(folder + name).constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
        disk->Fill(8 * 1024);
        qputenv(kLockedFolderVar, QFile::encodeName(folder));
        const bool here = RunsAsOrdinaryUser();
        qunsetenv(kLockedFolderVar);
        if (!here) {
            EXPECT_EQ(ReadAll(folder + "/fits.txt"), "new text\n");
            EXPECT_EQ(ReadAll(folder + "/too-long.txt"), "old text\n");
            EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({"fits.txt", "too-long.txt"}));
            return;
        }
    }
    const QString folder = QFile::decodeName(qgetenv(kLockedFolderVar));
    {
        SafeFileWriter writer(folder + "/fits.txt", true);
        ASSERT_EQ(writer.WriteMode(), SafeFileWriter::Mode::kInPlace);
        writer.Reserve(9);
        writer.Write("new text\n");
        writer.Commit();  // cut to the new length
    }
    EXPECT_EQ(ReadAll(folder + "/fits.txt"), "new text\n");
    try {
        SafeFileWriter writer(folder + "/too-long.txt", true);
        ASSERT_EQ(writer.WriteMode(), SafeFileWriter::Mode::kInPlace);
        writer.Reserve(1024 * 1024);
        ADD_FAILURE() << "the disk took a MiB";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Cause(), "No space left on device");
    }
    EXPECT_EQ(ReadAll(folder + "/too-long.txt"), "old text\n");
    // Without leave to write in place, the folder's refusal is the answer.
    try {
        SafeFileWriter writer(folder + "/fits.txt", false);
        ADD_FAILURE() << "written without leave";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Cause(), "Permission denied");
    }
}

}  // namespace
}  // namespace bw::test
