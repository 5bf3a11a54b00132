#include "spreadsheet/OfficeProcess.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "export/Spreadsheet.h"
#include "export/uno/UnoSession.h"

extern char** environ;

namespace bw {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

namespace {

std::atomic<int> g_counter{0};

// Waits up to timeoutMs for the process to end; true when it was reaped.
bool Reap(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || r < 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// This program's environment with TMPDIR set to tmpdir.
std::vector<QByteArray> EnvironmentWithTmpdir(const QString& tmpdir) {
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
    env.push_back("TMPDIR=" + QFile::encodeName(tmpdir));
    return env;
}

// Starts program with arguments and the environment as a child in a
// process group of its own, killed by the system if this program's main
// thread ends first. Returns its process id, or -1.
pid_t Spawn(const QString& program, const QStringList& args, std::vector<QByteArray> env) {
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return child;
}

// The file in a folder that lists the sockets to remove with it, one path
// a line.
constexpr const char* kSocketList = ".office-sockets";

// Waits for the end of its standard input: a line means "done", nothing to
// do; the end without one means the program ended, so every process whose
// command line holds $MARK is killed, the sockets listed in $FOLDER (and
// below) that are still sockets of this user are removed, and so is the
// folder. Both come in the environment, so that the helper's own command
// line holds neither.
constexpr const char* kReaperScript =
    "read -r line && exit 0\n"
    "for f in $(grep -laF -- \"$MARK\" /proc/[0-9]*/cmdline 2>/dev/null); do\n"
    "  p=${f#/proc/}; p=${p%/cmdline}\n"
    "  [ \"$p\" != \"$$\" ] && kill -9 \"$p\" 2>/dev/null\n"
    "done\n"
    "[ -n \"$FOLDER\" ] || exit 0\n"
    "find \"$FOLDER\" -name .office-sockets -type f 2>/dev/null | while IFS= read -r list; do\n"
    "  while IFS= read -r s; do\n"
    "    [ -S \"$s\" ] && [ -O \"$s\" ] && rm -f -- \"$s\"\n"
    "  done < \"$list\"\n"
    "done\n"
    "rm -rf -- \"$FOLDER\"\n"
    "exit 0\n";

// A socket file of this user (not a link to one).
bool OwnSocket(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

std::vector<pid_t> ProcessesWith(const QString& needle) {
    std::vector<pid_t> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok) continue;
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (f.open(QIODevice::ReadOnly) && QString::fromLocal8Bit(f.readAll()).contains(needle)) pids.push_back(pid);
    }
    return pids;
}

QStringList ListeningSockets(const std::vector<pid_t>& pids) {
    // The processes' sockets by inode, then their names in the system's
    // table of Unix sockets (columns: Num RefCount Protocol Flags Type St
    // Inode Path).
    QSet<QString> inodes;
    for (pid_t pid : pids) {
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
            char buffer[64] = {};
            const ssize_t n =
                ::readlink(QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), buffer, sizeof buffer - 1);
            const QString link = QString::fromLatin1(buffer, n > 0 ? static_cast<qsizetype>(n) : 0);
            if (link.startsWith(QStringLiteral("socket:[")) && link.endsWith(QLatin1Char(']')))
                inodes.insert(link.mid(8, link.size() - 9));
        }
    }
    QStringList paths;
    QFile table(QStringLiteral("/proc/net/unix"));
    if (!table.open(QIODevice::ReadOnly)) return paths;
    // Read whole: a file in /proc tells no size, so it is never "at its end".
    const QList<QByteArray> lines = table.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QStringList fields = QString::fromLocal8Bit(line).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 8 && inodes.contains(fields[6]) && fields[7].startsWith(QLatin1Char('/')))
            paths << fields.mid(7).join(QLatin1Char(' '));
    }
    paths.removeDuplicates();
    return paths;
}

void RecordSockets(const QString& folder, const QStringList& paths) {
    QFile list(QDir(folder).filePath(QString::fromLatin1(kSocketList)));
    if (paths.isEmpty() || !list.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    for (const QString& path : paths) list.write(QFile::encodeName(path) + '\n');
}

void RemoveRecordedSockets(const QString& folder) {
    QDirIterator lists(folder, {QString::fromLatin1(kSocketList)}, QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (lists.hasNext()) {
        QFile list(lists.next());
        if (!list.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : list.readAll().split('\n')) {
            const QString path = QFile::decodeName(line);
            if (!path.isEmpty() && OwnSocket(path)) QFile::remove(path);
        }
    }
}

OfficeReaper::OfficeReaper(const QString& mark, const QString& folder) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    const QByteArray markVariable = "MARK=" + mark.toLocal8Bit();
    const QByteArray folderVariable = "FOLDER=" + folder.toLocal8Bit();
    const char* argv[] = {"/bin/sh", "-c", kReaperScript, "basewright-office-reaper", nullptr};
    const char* envp[] = {"PATH=/usr/bin:/bin", markVariable.constData(), folderVariable.constData(), nullptr};
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec. A session of
        // its own: whatever ends this program's process group spares it.
        ::setsid();
        ::dup2(fds[0], 0);
        if (devNull >= 0) {
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
        }
        ::execve(argv[0], const_cast<char* const*>(argv), const_cast<char* const*>(envp));
        ::_exit(127);
    }
    if (devNull >= 0) ::close(devNull);
    ::close(fds[0]);
    if (child < 0) {
        ::close(fds[1]);
        return;
    }
    pipe_ = fds[1];
    pid_ = child;
}

OfficeReaper::~OfficeReaper() {
    if (pipe_ >= 0) {
        if (dismissed_) (void)!::write(pipe_, "done\n", 5);
        ::close(pipe_);
    }
    if (pid_ > 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

PrivateTempFolder::PrivateTempFolder() {
    QByteArray pattern("/tmp/basewright-tests-XXXXXX");
    if (!::mkdtemp(pattern.data())) throw SpreadsheetError("No temporary folder could be made.", false);
    path_ = QFile::decodeName(pattern);
    reaper_ = std::make_unique<OfficeReaper>(QDir(path_).dirName(), path_);
    hadTmpdir_ = qEnvironmentVariableIsSet("TMPDIR");
    oldTmpdir_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", pattern);
}

PrivateTempFolder::~PrivateTempFolder() {
    if (hadTmpdir_)
        qputenv("TMPDIR", oldTmpdir_);
    else
        qunsetenv("TMPDIR");
    RemoveRecordedSockets(path_);
    QDir(path_).removeRecursively();
    reaper_->Dismiss();
}

OfficeProcess::OfficeProcess(int connectTimeoutMs) {
    const QString program = uno::OfficeProgram();
    if (program.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);

    QByteArray pattern = QDir::temp().filePath(QStringLiteral("basewright-office-XXXXXX")).toLocal8Bit();
    if (!::mkdtemp(pattern.data())) throw SpreadsheetError("No temporary profile folder could be made.", false);
    folder_ = QString::fromLocal8Bit(pattern);
    // The folder's unique name is in the command line of every office
    // process started below (as part of its profile argument).
    mark_ = QDir(folder_).dirName();
    reaper_ = std::make_unique<OfficeReaper>(mark_, folder_);
    profileDir_ = QDir(folder_).filePath(QStringLiteral("profile"));
    const QString tmpdir = QDir(folder_).filePath(QStringLiteral("tmp"));
    if (!QDir().mkpath(profileDir_) || !QDir().mkpath(tmpdir)) {
        Shutdown();
        throw SpreadsheetError("No temporary profile folder could be made.", false);
    }
    pipeName_ = QStringLiteral("basewright_%1_%2_%3")
                    .arg(::getpid())
                    .arg(g_counter.fetch_add(1))
                    .arg(mark_.mid(QStringLiteral("basewright-office-").size()));

    const QString profileArg =
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profileDir_).toString(QUrl::FullyEncoded);
    // The office itself rather than its launcher script and splash
    // process: then it is this program's own child, and the system ends it
    // when this program dies without cleaning up (a killed test).
    const QString bin = QFileInfo(program).absolutePath() + QStringLiteral("/soffice.bin");
    const QString office = QFileInfo(bin).isExecutable() ? bin : program;
    const auto started = std::chrono::steady_clock::now();

    // A first start on a fresh profile asks to be restarted (exit status
    // 81) once the profile is made, dropping every connection; the splash
    // process would restart it. Make the profile first instead.
    const pid_t prime =
        Spawn(office, {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"), profileArg},
              EnvironmentWithTmpdir(tmpdir));
    if (prime > 0 && !Reap(prime, 60000)) {
        ::kill(prime, SIGKILL);
        Reap(prime, 5000);
    }

    const QStringList args = {
        QStringLiteral("--headless"),
        QStringLiteral("--invisible"),
        QStringLiteral("--nologo"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nodefault"),
        QStringLiteral("--nolockcheck"),
        profileArg,
        QStringLiteral("--accept=") + uno::AcceptArgument(pipeName_),
    };
    for (int attempt = 1;; ++attempt) {
        pid_ = Spawn(office, args, EnvironmentWithTmpdir(tmpdir));
        if (pid_ <= 0) {
            pid_ = -1;
            Shutdown();
            throw SpreadsheetError("The office program could not be started.", false);
        }
        int exitStatus = -1;
        try {
            context_ = uno::Connect(pipeName_, connectTimeoutMs, [&] {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid_ = -1;
                return false;
            });
            break;
        } catch (...) {
            // Restart requested (81, or 79 after an update): start again.
            if ((exitStatus == 81 || exitStatus == 79) && attempt < 3) continue;
            Shutdown();
            throw;
        }
    }
    startSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Its pipes' sockets, to be removed with the folder should the office
    // not remove them itself (it does when it ends normally).
    sockets_ = ListeningSockets({pid_});
    RecordSockets(folder_, sockets_);
}

OfficeProcess::~OfficeProcess() { Shutdown(); }

Reference<css::uno::XComponentContext> OfficeProcess::Context() {
    // The office may have dropped this connection: make a new one then.
    try {
        if (context_.is()) {
            (void)css::frame::Desktop::create(context_)->getComponents();
            return context_;
        }
    } catch (const css::uno::RuntimeException&) {}
    context_ = uno::Connect(pipeName_, 10000, [this] {
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    });
    return context_;
}

Reference<css::frame::XDesktop2> OfficeProcess::Desktop() { return css::frame::Desktop::create(Context()); }

void OfficeProcess::CloseDocuments() {
    Reference<css::frame::XDesktop2> desktop = Desktop();
    Reference<css::container::XEnumeration> documents = desktop->getComponents()->createEnumeration();
    std::vector<Reference<css::uno::XInterface>> all;
    while (documents->hasMoreElements()) all.emplace_back(documents->nextElement(), UNO_QUERY);
    for (const auto& doc : all) {
        Reference<css::util::XCloseable> closeable(doc, UNO_QUERY);
        if (closeable.is()) {
            closeable->close(true);
            continue;
        }
        Reference<css::lang::XComponent> component(doc, UNO_QUERY);
        if (component.is()) component->dispose();
    }
}

void OfficeProcess::Shutdown() {
    if (context_.is()) {
        try {
            CloseDocuments();
        } catch (...) {}
        try {
            Desktop()->terminate();
        } catch (...) {
            // The office drops the connection while it ends.
        }
        context_.clear();
    }
    if (pid_ > 0) {
        if (!Reap(pid_, 15000)) {
            ::kill(-pid_, SIGTERM);
            if (!Reap(pid_, 5000)) {
                ::kill(-pid_, SIGKILL);
                Reap(pid_, 5000);
            }
        }
        // The office itself may outlive the launcher that started it.
        ::kill(-pid_, SIGKILL);
        pid_ = -1;
    }
    if (!folder_.isEmpty()) {
        RemoveRecordedSockets(folder_);
        QDir(folder_).removeRecursively();
        folder_.clear();
    }
    if (reaper_) {
        reaper_->Dismiss();
        reaper_.reset();
    }
}

}  // namespace bw
