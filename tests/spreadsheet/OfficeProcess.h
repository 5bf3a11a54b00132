#pragma once

// A headless office of its own, for the integration test and the benchmark:
// soffice started with a fresh temporary profile and a unique pipe name,
// waited for up to a deadline, and on destruction its documents closed, the
// office told to end, its process group reaped (killed if it does not end
// in time) and its profile folder removed. Should this program end without
// that (a crash, a kill by the test runner's time-out), the office is
// killed and its profile removed all the same (OfficeReaper).

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <sys/types.h>
#include <QString>
#include <memory>

namespace bw {

// Kills every process whose command line holds `mark` and removes `folder`
// once this program has ended, in whatever way, unless Dismiss() was called
// (then the helper just ends). A small shell started in a session of its
// own waits for the end of a pipe that only this program holds open: the
// system closes it when this program ends, even by SIGKILL.
class OfficeReaper {
public:
    OfficeReaper(const QString& mark, const QString& folder);
    // Does the sweep now, unless dismissed.
    ~OfficeReaper();
    OfficeReaper(const OfficeReaper&) = delete;
    OfficeReaper& operator=(const OfficeReaper&) = delete;
    // Everything was cleaned up already: the helper ends without a sweep.
    void Dismiss() { dismissed_ = true; }

private:
    int pipe_ = -1;
    pid_t pid_ = -1;
    bool dismissed_ = false;
};

class OfficeProcess {
public:
    // Throws SpreadsheetError when soffice is missing, ends early or does
    // not accept a connection within connectTimeoutMs.
    explicit OfficeProcess(int connectTimeoutMs = 60000);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    const QString& PipeName() const { return pipeName_; }
    // The office's process id (soffice.bin itself), or -1 once it ended.
    pid_t Pid() const { return pid_; }
    // A text that only this office's processes hold in their command lines.
    const QString& Mark() const { return mark_; }
    const QString& ProfileFolder() const { return profileDir_; }
    // Seconds from starting soffice until the connection stood.
    double StartSeconds() const { return startSeconds_; }
    // The office's context (connecting again if the office dropped the
    // connection) and its desktop.
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> Context();
    com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> Desktop();

    // Closes every document the office holds (without saving).
    void CloseDocuments();

private:
    void Shutdown();

    QString pipeName_;
    QString profileDir_;
    QString mark_;
    std::unique_ptr<OfficeReaper> reaper_;
    pid_t pid_ = -1;
    double startSeconds_ = 0;
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace bw
