#include "export/uno/UnoSession.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace bw::uno {

using css::uno::Reference;
using css::uno::XComponentContext;

QString ToQString(const rtl::OUString& s) { return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength()); }

rtl::OUString ToOUString(const QString& s) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), s.size());
}

std::string Describe(const css::uno::Exception& e) {
    const rtl::OString text = rtl::OUStringToOString(e.Message, RTL_TEXTENCODING_UTF8);
    if (text.isEmpty()) return "The spreadsheet application failed to carry out a call.";
    return std::string(text.getStr(), text.getLength());
}

SpreadsheetError CallFailure(const css::uno::Exception& e, bool disposed, const std::function<Presence()>& probe) {
    Presence presence = disposed ? Presence::ApplicationGone : Presence::Both;
    if (probe) {
        try {
            presence = probe();
        } catch (...) {
            presence = Presence::ApplicationGone;
        }
    }
    // A disposed object while both still answer: the object belonged to
    // the workbook (its sheet or a column went with it).
    if (disposed && presence == Presence::Both) presence = Presence::WorkbookGone;
    switch (presence) {
        case Presence::ApplicationGone:
            return SpreadsheetError::ApplicationClosed();
        case Presence::WorkbookGone:
            return SpreadsheetError::WorkbookClosed();
        case Presence::Both:
            break;
    }
    return SpreadsheetError(Describe(e), false);
}

namespace {

// An executable file named soffice in one of the folders of a search list.
QString FindSofficeIn(const QString& folders) {
    for (const QString& folder : folders.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        QFileInfo candidate(QDir(folder).filePath(QStringLiteral("soffice")));
        if (!candidate.exists() || !candidate.isExecutable()) continue;
        const QString real = candidate.canonicalFilePath();
        if (real.isEmpty()) continue;
        QFileInfo program(real);
        if (program.isFile() && program.isExecutable()) return program.absoluteFilePath();
    }
    return {};
}

std::mutex g_localMutex;
// Deliberately never destroyed: tearing the UNO runtime down while the
// program exits may touch libraries that are already gone.
Reference<XComponentContext>* g_local = nullptr;

}  // namespace

QString OfficeProgram() {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString found = FindSofficeIn(env.value(QStringLiteral("UNO_PATH")));
    if (found.isEmpty()) found = FindSofficeIn(env.value(QStringLiteral("PATH")));
    return found;
}

QString OfficeProgramFolder() {
    const QString program = OfficeProgram();
    return program.isEmpty() ? QString() : QFileInfo(program).absolutePath();
}

Reference<XComponentContext> LocalContext() {
    std::lock_guard lock(g_localMutex);
    if (g_local) return *g_local;
    // The bridge writes to the office's pipe with plain send(): once the
    // office is gone (killed, crashed), a write would raise SIGPIPE and end
    // this program on the spot, the user's lists with it. Ignored, the
    // write fails instead, and the call reports the office as closed. A
    // handler installed by someone else is left alone.
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) ::signal(SIGPIPE, SIG_IGN);
    const QString folder = OfficeProgramFolder();
    if (folder.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);
    const QString rc = QDir(folder).filePath(QStringLiteral("fundamentalrc"));
    if (!QFileInfo::exists(rc))
        throw SpreadsheetError("The office's bootstrap file fundamentalrc was not found.", false);
    try {
        rtl::Bootstrap::set(rtl::OUString("URE_BOOTSTRAP"), ToOUString(QStringLiteral("vnd.sun.star.pathname:") + rc));
        Reference<XComponentContext> context = cppu::defaultBootstrap_InitialComponentContext();
        if (!context.is()) throw SpreadsheetError("The local UNO context could not be created.", false);
        g_local = new Reference<XComponentContext>(context);
        return context;
    } catch (const css::uno::Exception& e) {
        throw SpreadsheetError(Describe(e), false);
    }
}

QString AcceptArgument(const QString& pipeName) {
    return QStringLiteral("pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName);
}

QString NewPipeName() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString name = QStringLiteral("basewright_");
    for (quint32 word : words) name += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0'));
    return name;
}

namespace {

// Whether the user has an entry in the user database.
bool HasUserEntry(uid_t uid) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 1024);
    for (;;) {
        struct passwd entry {};
        struct passwd* found = nullptr;
        const int error = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found != nullptr;
    }
}

PipeRefused Refused(const QString& why) {
    return PipeRefused(
        QStringLiteral("The connection to the spreadsheet application was refused: %1, so nothing was sent to it.")
            .arg(why)
            .toStdString());
}

}  // namespace

QString PipeSocketPath(const QString& pipeName, uid_t uid) {
    QString folder;
    if (::access("/tmp", W_OK) == 0) {
        folder = QStringLiteral("/tmp");
    } else if (::access("/var/tmp", W_OK) == 0) {
        folder = QStringLiteral("/var/tmp");
    } else {
        rtl::OUString value;
        if (rtl::Bootstrap::get(rtl::OUString("OSL_SOCKET_PATH"), value)) folder = ToQString(value);
    }
    const QString file = HasUserEntry(uid) ? QStringLiteral("OSL_PIPE_%1_%2").arg(uid).arg(pipeName)
                                           : QStringLiteral("OSL_PIPE_") + pipeName;
    return folder + QLatin1Char('/') + file;
}

QString PipeSocketPath(const QString& pipeName) { return PipeSocketPath(pipeName, ::getuid()); }

bool OwnPipeSocket(const QString& path) {
    const uid_t me = ::geteuid();
    struct stat st {};
    // The folder first: in one where others may rename or delete files, a
    // socket found to be ours could be swapped for theirs before the
    // connection is made. A world-writable folder is safe with the sticky
    // bit (only a file's owner may remove or rename it), as /tmp has it.
    const QString folder = QFileInfo(path).absolutePath();
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        throw Refused(QStringLiteral("the folder %1 cannot be examined (%2)")
                          .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if ((st.st_uid != 0 && st.st_uid != me) || ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX)))
        throw Refused(QStringLiteral("other users can replace the files in the folder %1").arg(folder));
    // The socket itself, not what a link would lead to.
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        throw Refused(
            QStringLiteral("%1 cannot be examined (%2)").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!S_ISSOCK(st.st_mode)) throw Refused(QStringLiteral("%1 is not the office's pipe").arg(path));
    if (st.st_uid != me)
        throw Refused(QStringLiteral("its pipe %1 belongs to another user (user id %2)").arg(path).arg(st.st_uid));
    return true;
}

Reference<XComponentContext> TryConnect(const QString& pipeName) {
    Reference<XComponentContext> local = LocalContext();
    // Nobody listens where there is no socket; a socket not ours is refused.
    if (!OwnPipeSocket(PipeSocketPath(pipeName))) return {};
    try {
        Reference<css::bridge::XUnoUrlResolver> resolver = css::bridge::UnoUrlResolver::create(local);
        Reference<css::uno::XInterface> remote =
            resolver->resolve(ToOUString(QStringLiteral("uno:") + AcceptArgument(pipeName)));
        Reference<XComponentContext> context(remote, css::uno::UNO_QUERY);
        if (!context.is()) throw SpreadsheetError("The office offered no component context.", false);
        // An office that is still starting may accept a connection and drop
        // it again; it is ready once its desktop answers.
        (void)css::frame::Desktop::create(context)->getComponents();
        return context;
    } catch (const css::connection::NoConnectException&) {
        return {};
    } catch (const css::uno::RuntimeException&) {
        // Includes DisposedException: the connection was dropped.
        return {};
    } catch (const css::uno::Exception& e) {
        throw SpreadsheetError(Describe(e), false);
    }
}

Reference<XComponentContext> Connect(const QString& pipeName, int timeoutMs, const std::function<bool()>& keepTrying,
                                     const std::function<void()>& whileWaiting) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Reference<XComponentContext> context = TryConnect(pipeName);
        if (context.is()) return context;
        if (keepTrying && !keepTrying())
            throw SpreadsheetError("The office program ended before it accepted a connection.", false);
        if (Clock::now() >= deadline)
            throw SpreadsheetError(QStringLiteral("The office program did not accept a connection within %1 seconds.")
                                       .arg(timeoutMs / 1000)
                                       .toStdString(),
                                   false);
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace bw::uno
