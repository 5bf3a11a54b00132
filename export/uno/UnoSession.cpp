#include "export/uno/UnoSession.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <chrono>
#include <mutex>
#include <thread>

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

Reference<XComponentContext> TryConnect(const QString& pipeName) {
    Reference<XComponentContext> local = LocalContext();
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
