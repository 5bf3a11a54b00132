#pragma once

// Reaching a LibreOffice process over UNO: finding the office program,
// the local UNO context, connecting to an office that listens on a named
// pipe (with a deadline), and turning UNO exceptions into SpreadsheetError.
//
// A named pipe is a socket file in a folder every user can write (/tmp),
// so anyone may create one of a given name before the office does. Before
// every connection the socket is checked: it must be a socket of this user,
// in a folder where no one else can replace it; any other file there is
// refused, and nothing is sent to it.

#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <sys/types.h>
#include <QString>
#include <functional>
#include <string>

#include "export/Spreadsheet.h"

namespace bw::uno {

namespace css = com::sun::star;

// The folder of the office program (the real file behind `soffice` found on
// $UNO_PATH, then on $PATH, with links resolved), or the empty text when no
// executable soffice is found.
QString OfficeProgramFolder();

// The full path of the soffice program in that folder; empty when none.
QString OfficeProgram();

// The process-wide local UNO context, created on first use from the
// office's own bootstrap files (SIGPIPE is ignored from then on, so that a
// write to an office that is gone fails rather than ends the program).
// Throws SpreadsheetError when it cannot be made.
css::uno::Reference<css::uno::XComponentContext> LocalContext();

// The connection string of an office that accepts on the named pipe.
QString AcceptArgument(const QString& pipeName);

// A new pipe name that no one else can predict: "basewright_" and 128
// random bits in hexadecimal.
QString NewPipeName();

// The socket file that a connection to the named pipe goes to, as the UNO
// pipe connector (an osl pipe opened with the current user's security)
// forms it: in /tmp, or /var/tmp when /tmp is not writable, or else in the
// folder of the bootstrap variable OSL_SOCKET_PATH; named
// OSL_PIPE_<uid>_<name>, or OSL_PIPE_<name> when the user has no entry in
// the user database (the office then makes it writable for everyone). The
// second form takes the user id to form it for.
QString PipeSocketPath(const QString& pipeName);
QString PipeSocketPath(const QString& pipeName, uid_t uid);

// A connection refused because of the file at the pipe's place.
class PipeRefused : public SpreadsheetError {
public:
    explicit PipeRefused(const std::string& description) : SpreadsheetError(description, false) {}
};

// Whether a connection may go to the socket at `path`: false when there is
// no file there (nobody listens); true when it is a socket owned by this
// process's user, in a folder where other users cannot replace it. Throws
// PipeRefused, in plain words, for anything else: a socket of another
// user, a file that is no socket (a link included), an unsafe folder.
bool OwnPipeSocket(const QString& path);

// Connects to the office listening on the named pipe and returns its
// component context. Retries every 100 ms until timeoutMs has passed or
// keepTrying() returns false; between retries calls whileWaiting (if set).
// Throws SpreadsheetError when no connection was made.
css::uno::Reference<css::uno::XComponentContext> Connect(const QString& pipeName, int timeoutMs,
                                                         const std::function<bool()>& keepTrying,
                                                         const std::function<void()>& whileWaiting = {});

// One attempt, no waiting: the office's context, or an empty reference when
// nobody listens on the pipe or the office is not ready for calls yet.
// Throws PipeRefused when the pipe's socket is refused (OwnPipeSocket).
css::uno::Reference<css::uno::XComponentContext> TryConnect(const QString& pipeName);

// What still answers after a call into the office failed.
enum class Presence { Both, WorkbookGone, ApplicationGone };

// The error to report for a failed call; `disposed` tells that e is a
// DisposedException (UNO exceptions carry no run-time type of their own).
// When the application or the workbook is gone (probe() tells which; a
// probe that fails means the application is gone; without a probe only a
// DisposedException counts, as the application's loss), the failure is a
// loss, in the plain words of SpreadsheetError::ApplicationClosed or
// WorkbookClosed, rather than the bridge's own message; otherwise it
// carries the office's message.
SpreadsheetError CallFailure(const css::uno::Exception& e, bool disposed, const std::function<Presence()>& probe);

// UTF-8 description of a UNO exception (its message, or its type name when
// the message is empty).
std::string Describe(const css::uno::Exception& e);

QString ToQString(const rtl::OUString& s);
rtl::OUString ToOUString(const QString& s);

}  // namespace bw::uno
