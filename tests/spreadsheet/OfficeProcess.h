#pragma once

// A headless office of its own, for the integration test and the benchmark:
// soffice started with a fresh temporary profile and a unique pipe name,
// waited for up to a deadline, and on destruction its documents closed, the
// office told to end, its process group reaped (killed if it does not end
// in time) and its profile folder removed.

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <QString>
#include <sys/types.h>

namespace bw {

class OfficeProcess {
public:
    // Throws SpreadsheetError when soffice is missing, ends early or does
    // not accept a connection within connectTimeoutMs.
    explicit OfficeProcess(int connectTimeoutMs = 60000);
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    const QString& PipeName() const { return pipeName_; }
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
    pid_t pid_ = -1;
    double startSeconds_ = 0;
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace bw
