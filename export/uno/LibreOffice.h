#pragma once

// The spreadsheet automation on LibreOffice Calc, driven over UNO.
//
// Start() connects to an office listening on a named pipe; when none
// listens yet it starts soffice with --accept on that pipe (an office that
// already runs with the same profile takes the request over) and waits for
// it, up to a deadline. AddWorkbook() loads a new Calc document hidden;
// SetVisible() shows the documents' windows. Releasing the objects leaves
// the office and its documents open.
//
// The pipe's name is new and random for each launcher (the program has
// one), so that no other user can know it in advance; its socket is
// checked to be this user's before every connection (uno::OwnPipeSocket),
// since one who watches the office's command line learns it.

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "export/Spreadsheet.h"
#include "export/uno/UnoSession.h"

namespace bw {

struct LibreOfficeOptions {
    // The pipe this program's connection goes through: by default a new,
    // unpredictable name.
    QString pipeName = uno::NewPipeName();
    // Start soffice when nobody listens on the pipe. When false, Start()
    // fails unless an office already listens (tests start their own).
    bool startOffice = true;
    // Further soffice arguments when starting it.
    QStringList extraArguments = {QStringLiteral("--nologo"), QStringLiteral("--nodefault")};
    // Show the documents' windows in SetVisible(). A headless office has
    // none to show (and one without its user-interface files may even end
    // when asked to), so tests that run one turn this off.
    bool showWindows = true;
    // How long to wait for a started office to accept the connection.
    int connectTimeoutMs = 60000;
    // Called about every 100 ms while waiting for the office, on the
    // thread that called Start(); may be empty.
    std::function<void()> whileWaiting;
    // How long one call into the office may take before the export gives
    // up on it (SpreadsheetLauncher::CallDeadline).
    std::chrono::milliseconds callDeadline = kSpreadsheetCallDeadline;
};

class LibreOfficeLauncher : public SpreadsheetLauncher {
public:
    explicit LibreOfficeLauncher(LibreOfficeOptions options = {});
    bool Available() override;
    std::unique_ptr<SpreadsheetApplication> Start() override;
    std::chrono::milliseconds CallDeadline() const override { return options_.callDeadline; }
    // The pipe this launcher connects through.
    const QString& PipeName() const { return options_.pipeName; }
    // The process id of the last soffice this launcher started; 0 if none.
    qint64 StartedProcessId() const { return startedPid_; }

private:
    // The office's component context: connects, starting soffice if needed.
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> Connection(
        const LibreOfficeOptions& options);

    LibreOfficeOptions options_;
    // Written by the thread that starts the office, read by any.
    std::atomic<qint64> startedPid_{0};
};

}  // namespace bw
