// The office's pipe: its name, where its socket lies for a user with and
// without an entry in the user database, which files a connection may go
// to, and a pipe that another user made first.

#include <gtest/gtest.h>

#include <osl/pipe.hxx>
#include <osl/security.hxx>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/uno/LibreOffice.h"
#include "export/uno/UnoSession.h"
#include "shell/ErrorReport.h"
#include "support/AsOrdinaryUser.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace bw::test {
namespace {

// A user id without an entry in the user database.
uid_t UnlistedUid() {
    uid_t uid = 54321;
    while (::getpwuid(uid) != nullptr) ++uid;
    return uid;
}

uid_t UidOf(const char* user) {
    const passwd* entry = ::getpwnam(user);
    return entry ? entry->pw_uid : static_cast<uid_t>(-1);
}

// A Unix socket listening at a path, as an office (or someone posing as
// one) makes it. Removed on destruction.
class ListeningSocket {
public:
    explicit ListeningSocket(const QString& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::strncpy(address.sun_path, native.constData(), sizeof address.sun_path - 1);
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::listen(fd_, 5) == 0;
    }
    ~ListeningSocket() {
        if (fd_ >= 0) ::close(fd_);
        if (ok_) QFile::remove(path_);
    }
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    bool Ok() const { return ok_; }
    // Moves the socket's name to `path`, in one step.
    bool MoveTo(const QString& path) {
        if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(path).constData()) != 0) return false;
        path_ = path;
        return true;
    }
    // Whether anyone has connected to it.
    bool Reached() const {
        const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) return false;
        ::close(connection);
        return true;
    }

private:
    QString path_;
    int fd_ = -1;
    bool ok_ = false;
};

// ------------------------------------------------------------ an office that is gone

// Writing to the pipe of an office that was killed fails; it must not end
// the program (SIGPIPE), which would lose the user's lists.
TEST(LocalContext, AWriteToAnOfficeThatIsGoneDoesNotEndTheProgram) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    uno::LocalContext();
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    ::close(ends[1]);  // the office's end, gone
    errno = 0;
    EXPECT_EQ(::send(ends[0], "x", 1, 0), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[0]);
}

// ------------------------------------------------------------ the name

// Each launcher (the program makes one) has a name of its own that no one
// could have guessed; no two runs share one.
TEST(PipeName, IsNewAndUnpredictableForEachLauncher) {
    const std::unique_ptr<SpreadsheetLauncher> first = CreateLibreOfficeLauncher();
    const std::unique_ptr<SpreadsheetLauncher> second = CreateLibreOfficeLauncher();
    if (!first) GTEST_SKIP() << "built without the office";
    const auto* a = dynamic_cast<const LibreOfficeLauncher*>(first.get());
    const auto* b = dynamic_cast<const LibreOfficeLauncher*>(second.get());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->PipeName(), b->PipeName());
    const QRegularExpression form(QStringLiteral("^basewright_[0-9a-f]{32}$"));
    for (const QString& name : {a->PipeName(), b->PipeName()})
        EXPECT_TRUE(form.match(name).hasMatch()) << name.toStdString();
}

// ------------------------------------------------------------ where the socket lies

// The UNO runtime's own pipe, made as the office makes its own (with the
// current user's security), lies exactly where the connection is looked
// for; for a user without an entry in the user database too, where the
// office makes it writable for everyone.
struct WhereCase {
    const char* name;
    bool unlisted;
};
void PrintTo(const WhereCase& c, std::ostream* os) { *os << c.name; }

class PipeSocketWhere : public ::testing::TestWithParam<WhereCase> {};

TEST_P(PipeSocketWhere, IsWhereTheRuntimeMakesThePipe) {
    const bool child = qEnvironmentVariableIsSet(kOrdinaryUserChild);
    if (GetParam().unlisted) {
        if (!child && ::geteuid() != 0) GTEST_SKIP() << "only root can take on a user without an entry";
        const QString uid = QString::number(UnlistedUid());
        if (!RunsAsOrdinaryUser(uid, uid)) return;
    }
    ASSERT_EQ(::getpwuid(::getuid()) == nullptr, GetParam().unlisted);

    const QString name = uno::NewPipeName();
    osl::Pipe pipe(uno::ToOUString(name), osl_Pipe_CREATE, osl::Security());
    ASSERT_TRUE(pipe.is());
    const QString path = uno::PipeSocketPath(name);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(QFileInfo(path).fileName().contains(QStringLiteral("_%1_").arg(::getuid())), !GetParam().unlisted);
    if (GetParam().unlisted) {
        EXPECT_EQ(st.st_mode & 0777, 0777u);
    }
    EXPECT_TRUE(uno::OwnPipeSocket(path));

    pipe.close();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(uno::OwnPipeSocket(path));
}

INSTANTIATE_TEST_SUITE_P(Users, PipeSocketWhere,
                         ::testing::Values(WhereCase{"ListedUser", false}, WhereCase{"UnlistedUser", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ what may be connected to

enum class Kind {
    Missing,
    OwnSocket,
    RegularFile,
    Directory,
    Fifo,
    LinkToOwnSocket,
    ForeignSocket,  // another user's (needs root to make)
    SharedFolder,   // own socket in a folder others may write, without the sticky bit
    StickyFolder,   // own socket in a folder others may write, with the sticky bit (as /tmp)
    ForeignFolder,  // own socket in a folder of another user (needs root to make)
};

struct KindCase {
    const char* name;
    Kind kind;
    int expected;        // 1: may connect, 0: nobody listens, -1: refused
    const char* reason;  // part of the refusal's words
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class PipeSocketKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(PipeSocketKinds, DecideWhetherToConnect) {
    const KindCase& c = GetParam();
    const bool needsRoot = c.kind == Kind::ForeignSocket || c.kind == Kind::ForeignFolder;
    if (needsRoot && ::geteuid() != 0) GTEST_SKIP() << "only root can make a file of another user";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString folder = dir.path();
    if (c.kind == Kind::SharedFolder || c.kind == Kind::StickyFolder || c.kind == Kind::ForeignFolder) {
        folder = dir.filePath(QStringLiteral("shared"));
        ASSERT_TRUE(QDir().mkdir(folder));
        const mode_t mode = c.kind == Kind::SharedFolder ? 0777 : c.kind == Kind::StickyFolder ? 01777 : 0755;
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), mode), 0);
        if (c.kind == Kind::ForeignFolder) {
            ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), UidOf("daemon"), -1), 0);
        }
    }
    const QString path = QDir(folder).filePath(QStringLiteral("OSL_PIPE_test"));
    const QByteArray native = QFile::encodeName(path);
    std::unique_ptr<ListeningSocket> socket;
    switch (c.kind) {
        case Kind::Missing:
            break;
        case Kind::OwnSocket:
        case Kind::SharedFolder:
        case Kind::StickyFolder:
        case Kind::ForeignFolder:
        case Kind::ForeignSocket:
            socket = std::make_unique<ListeningSocket>(path);
            ASSERT_TRUE(socket->Ok());
            if (c.kind == Kind::ForeignSocket) {
                ASSERT_EQ(::chown(native.constData(), UidOf("daemon"), -1), 0);
            }
            break;
        case Kind::RegularFile:
            ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
            break;
        case Kind::Directory:
            ASSERT_TRUE(QDir().mkdir(path));
            break;
        case Kind::Fifo:
            ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
            break;
        case Kind::LinkToOwnSocket:
            socket = std::make_unique<ListeningSocket>(dir.filePath(QStringLiteral("real")));
            ASSERT_TRUE(socket->Ok());
            ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("real")), path));
            break;
    }

    int outcome = -2;
    std::string words;
    try {
        outcome = uno::OwnPipeSocket(path) ? 1 : 0;
    } catch (const SpreadsheetError& e) {
        outcome = -1;
        words = e.what();
        EXPECT_FALSE(e.Lost());
    }
    EXPECT_EQ(outcome, c.expected) << words;
    if (c.reason) {
        EXPECT_NE(words.find(c.reason), std::string::npos) << words;
        EXPECT_EQ(words.rfind("The connection to the spreadsheet application was refused: ", 0), 0u) << words;
    }
    if (socket) {
        EXPECT_FALSE(socket->Reached());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipeSocketKinds,
    ::testing::Values(KindCase{"Missing", Kind::Missing, 0, nullptr},
                      KindCase{"OwnSocket", Kind::OwnSocket, 1, nullptr},
                      KindCase{"RegularFile", Kind::RegularFile, -1, "is not the office's pipe"},
                      KindCase{"Directory", Kind::Directory, -1, "is not the office's pipe"},
                      KindCase{"Fifo", Kind::Fifo, -1, "is not the office's pipe"},
                      KindCase{"LinkToOwnSocket", Kind::LinkToOwnSocket, -1, "is not the office's pipe"},
                      KindCase{"ForeignSocket", Kind::ForeignSocket, -1, "belongs to another user (user id 1)"},
                      KindCase{"SharedFolder", Kind::SharedFolder, -1, "other users can replace the files"},
                      KindCase{"StickyFolder", Kind::StickyFolder, 1, nullptr},
                      KindCase{"ForeignFolder", Kind::ForeignFolder, -1, "other users can replace the files"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ a pipe taken by another user

// Another user (daemon) listens first on the pipe an ordinary user's
// export goes to: the export refuses it in plain words, through the
// command's usual report, starts no office and sends nothing; before, the
// connection went to the other user's socket and the export hung. Both
// forms of the socket's name: the user with an entry in the user database
// (nobody) and one without.
constexpr const char* kSquattedPipe = "BASEWRIGHT_SQUATTED_PIPE";

struct SquatCase {
    const char* name;
    bool unlisted;
    bool startOffice;
};
void PrintTo(const SquatCase& c, std::ostream* os) { *os << c.name; }

class SquattedPipe : public ::testing::TestWithParam<SquatCase> {};

TEST_P(SquattedPipe, IsRefusedAndNothingReachesIt) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    const SquatCase& c = GetParam();
    if (!qEnvironmentVariableIsSet(kOrdinaryUserChild)) {
        // Here, as root: the other user's socket, then the case as the user.
        if (::geteuid() != 0) GTEST_SKIP() << "only root can make a socket of another user";
        const uid_t uid = c.unlisted ? UnlistedUid() : UidOf("nobody");
        const QString name = uno::NewPipeName();
        const QString path = uno::PipeSocketPath(name, uid);
        ListeningSocket squatter(path);
        ASSERT_TRUE(squatter.Ok()) << path.toStdString();
        const QByteArray native = QFile::encodeName(path);
        ASSERT_EQ(::chown(native.constData(), UidOf("daemon"), -1), 0);
        ASSERT_EQ(::chmod(native.constData(), 0777), 0);
        qputenv(kSquattedPipe, name.toUtf8());
        const QString user = c.unlisted ? QString::number(uid) : QStringLiteral("nobody");
        const QString group = c.unlisted ? QString::number(uid) : QStringLiteral("nogroup");
        EXPECT_FALSE(RunsAsOrdinaryUser(user, group));
        qunsetenv(kSquattedPipe);
        EXPECT_FALSE(squatter.Reached()) << "the connection went to the other user's socket";
        return;
    }

    const QString name = qEnvironmentVariable(kSquattedPipe);
    ASSERT_FALSE(name.isEmpty());
    LibreOfficeOptions options;
    options.pipeName = name;
    options.startOffice = c.startOffice;
    options.showWindows = false;
    // Should the socket be taken for the office's after all, the export
    // ends soon rather than at the usual deadline.
    options.callDeadline = std::chrono::seconds(10);
    LibreOfficeLauncher launcher(options);
    ScriptedPlatform sp;
    sp.platform().spreadsheet = &launcher;
    Form1 form(sp.platform());
    form.Form_Load();
    form.ListView2->AppendRow(std::vector<std::string_view>{"7"});
    sp.dialogs.messages.clear();
    form.PushButton13_Click();

    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text,
              ErrorReport::MessageText(QStringLiteral("The connection to the spreadsheet application was refused: its "
                                                      "pipe %1 belongs to another user (user id %2), so nothing was "
                                                      "sent to it.")
                                           .arg(uno::PipeSocketPath(name))
                                           .arg(UidOf("daemon")),
                                       kLocPushButton13_Click, 106));
    EXPECT_EQ(launcher.StartedProcessId(), 0);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// A pipe that another user takes while the launcher waits for the office
// to listen is refused as well, in the same words, and nothing reaches it.
TEST(SquattedPipeLater, TakenWhileWaitingIsRefused) {
    if (uno::OfficeProgram().isEmpty()) GTEST_SKIP() << "soffice is not installed";
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a socket of another user";
    const QString name = uno::NewPipeName();
    const QString path = uno::PipeSocketPath(name);
    QTemporaryDir dir;  // in the tests' own folder in /tmp: the same file system
    ASSERT_TRUE(dir.isValid());
    // Made and given away out of sight, then put in place at once, so the
    // launcher never sees it as this user's.
    ListeningSocket squatter(dir.filePath(QStringLiteral("s")));
    ASSERT_TRUE(squatter.Ok());
    ASSERT_EQ(::chown(QFile::encodeName(dir.filePath(QStringLiteral("s"))).constData(), UidOf("daemon"), -1), 0);
    bool moved = false;
    std::thread taker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        moved = squatter.MoveTo(path);
    });
    LibreOfficeOptions options;
    options.pipeName = name;
    options.startOffice = false;
    LibreOfficeLauncher launcher(options);
    std::string words;
    try {
        launcher.Start();
    } catch (const SpreadsheetError& e) {
        words = e.what();
    }
    taker.join();
    ASSERT_TRUE(moved);
    EXPECT_NE(words.find("its pipe " + path.toStdString() + " belongs to another user"), std::string::npos) << words;
    EXPECT_FALSE(squatter.Reached());
}

INSTANTIATE_TEST_SUITE_P(Users, SquattedPipe,
                         ::testing::Values(SquatCase{"ListedUserStartingTheOffice", false, true},
                                           SquatCase{"ListedUserWithOfficeRunning", false, false},
                                           SquatCase{"UnlistedUserStartingTheOffice", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace bw::test
