#include "spreadsheet/OfficeProcess.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdlib>
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

// Starts program with arguments as a child in a process group of its own,
// killed by the system if this program's main thread ends first. Returns
// its process id, or -1.
pid_t Spawn(const QString& program, const QStringList& args) {
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    return child;
}

// Waits for the end of its standard input: a line means "done", nothing to
// do; the end without one means the program ended, so every process whose
// command line holds $MARK is killed and the folder $FOLDER removed. Both
// come in the environment, so that the helper's own command line holds
// neither.
constexpr const char* kReaperScript =
    "read -r line && exit 0\n"
    "for f in $(grep -laF -- \"$MARK\" /proc/[0-9]*/cmdline 2>/dev/null); do\n"
    "  p=${f#/proc/}; p=${p%/cmdline}\n"
    "  [ \"$p\" != \"$$\" ] && kill -9 \"$p\" 2>/dev/null\n"
    "done\n"
    "[ -n \"$FOLDER\" ] && rm -rf -- \"$FOLDER\"\n"
    "exit 0\n";

}  // namespace

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

OfficeProcess::OfficeProcess(int connectTimeoutMs) {
    const QString program = uno::OfficeProgram();
    if (program.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);

    QByteArray pattern = QDir::temp().filePath(QStringLiteral("basewright-office-XXXXXX")).toLocal8Bit();
    if (!::mkdtemp(pattern.data())) throw SpreadsheetError("No temporary profile folder could be made.", false);
    profileDir_ = QString::fromLocal8Bit(pattern);
    // The folder's unique name is in the command line of every office
    // process started below (as part of its profile argument).
    mark_ = QDir(profileDir_).dirName();
    reaper_ = std::make_unique<OfficeReaper>(mark_, profileDir_);
    pipeName_ = QStringLiteral("basewright_%1_%2_%3")
                    .arg(::getpid())
                    .arg(g_counter.fetch_add(1))
                    .arg(QDir(profileDir_).dirName().mid(QStringLiteral("basewright-office-").size()));

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
        Spawn(office, {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"), profileArg});
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
        pid_ = Spawn(office, args);
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
    if (!profileDir_.isEmpty()) {
        QDir(profileDir_).removeRecursively();
        profileDir_.clear();
    }
    if (reaper_) {
        reaper_->Dismiss();
        reaper_.reset();
    }
}

}  // namespace bw
