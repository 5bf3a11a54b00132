#include "export/uno/OfficeProcess.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QByteArray>
#include <QDir>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <spawn.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <signal.h>
#include <sys/wait.h>

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

}  // namespace

OfficeProcess::OfficeProcess(int connectTimeoutMs) {
    const QString program = uno::OfficeProgram();
    if (program.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);

    QByteArray pattern = QDir::temp().filePath(QStringLiteral("basewright-office-XXXXXX")).toLocal8Bit();
    if (!::mkdtemp(pattern.data())) throw SpreadsheetError("No temporary profile folder could be made.", false);
    profileDir_ = QString::fromLocal8Bit(pattern);
    pipeName_ = QStringLiteral("basewright_%1_%2_%3")
                    .arg(::getpid())
                    .arg(g_counter.fetch_add(1))
                    .arg(QDir(profileDir_).dirName().mid(QStringLiteral("basewright-office-").size()));

    const QStringList args = {
        QStringLiteral("--headless"),
        QStringLiteral("--invisible"),
        QStringLiteral("--nologo"),
        QStringLiteral("--norestore"),
        QStringLiteral("--nodefault"),
        QStringLiteral("--nolockcheck"),
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profileDir_).toString(QUrl::FullyEncoded),
        QStringLiteral("--accept=") + uno::AcceptArgument(pipeName_),
    };
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    // Its own process group, so that the wrapper script, the launcher and
    // the office itself can be ended together.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    const auto started = std::chrono::steady_clock::now();
    const int rc = ::posix_spawn(&pid_, argv[0], nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        pid_ = -1;
        QDir(profileDir_).removeRecursively();
        throw SpreadsheetError("The office program could not be started.", false);
    }
    try {
        context_ = uno::Connect(pipeName_, connectTimeoutMs, [this] {
            int status = 0;
            return ::waitpid(pid_, &status, WNOHANG) == 0;
        });
    } catch (...) {
        Shutdown();
        throw;
    }
    startSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

OfficeProcess::~OfficeProcess() { Shutdown(); }

Reference<css::frame::XDesktop2> OfficeProcess::Desktop() const { return css::frame::Desktop::create(context_); }

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
        } catch (...) {
        }
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
}

}  // namespace bw
