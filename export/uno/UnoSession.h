#pragma once

// Reaching a LibreOffice process over UNO: finding the office program,
// the local UNO context, connecting to an office that listens on a named
// pipe (with a deadline), and turning UNO exceptions into SpreadsheetError.

#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

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
// office's own bootstrap files. Throws SpreadsheetError when it cannot be made.
css::uno::Reference<css::uno::XComponentContext> LocalContext();

// The connection string of an office that accepts on the named pipe.
QString AcceptArgument(const QString& pipeName);

// Connects to the office listening on the named pipe and returns its
// component context. Retries every 100 ms until timeoutMs has passed or
// keepTrying() returns false; between retries calls whileWaiting (if set).
// Throws SpreadsheetError when no connection was made.
css::uno::Reference<css::uno::XComponentContext> Connect(const QString& pipeName, int timeoutMs,
                                                         const std::function<bool()>& keepTrying,
                                                         const std::function<void()>& whileWaiting = {});

// One attempt, no waiting: the office's context, or an empty reference when
// nobody listens on the pipe or the office is not ready for calls yet.
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
