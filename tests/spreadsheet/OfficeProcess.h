#pragma once

// A headless office of its own, for the integration test and the benchmark:
// soffice started with a fresh temporary profile and a unique pipe name,
// waited for up to a deadline, and on destruction its documents closed, the
// office told to end, its process group reaped (killed if it does not end
// in time) and its folder removed. Should this program end without that (a
// crash, a kill by the test runner's time-out), the office is killed and
// its folder removed all the same (OfficeReaper).
//
// Everything the office writes goes into that folder (its profile, and its
// temporary files through TMPDIR), except the sockets of its pipes, which
// it makes in /tmp whatever it is told: they are recorded in the folder
// once the office listens, and removed with it.

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <sys/types.h>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace bw {

// The processes whose command line holds `needle`.
std::vector<pid_t> ProcessesWith(const QString& needle);

// The paths of the Unix sockets that the processes listen on under a name
// in the file system.
QStringList ListeningSockets(const std::vector<pid_t>& pids);

// Adds socket paths to the list kept in `folder`, of sockets to remove when
// the folder goes (by RemoveRecordedSockets, or by an OfficeReaper).
void RecordSockets(const QString& folder, const QStringList& paths);

// Removes the recorded sockets of `folder` and of every folder below it
// (those that are still sockets of this user).
void RemoveRecordedSockets(const QString& folder);

// Kills every process whose command line holds `mark`, removes the sockets
// recorded in `folder` (and below it) and removes `folder` once this
// program has ended, in whatever way, unless Dismiss() was called (then the
// helper just ends). A small shell started in a session of its own waits
// for the end of a pipe that only this program holds open: the system
// closes it when this program ends, even by SIGKILL.
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

// A folder of this program's own for every temporary file: made on
// construction (in /tmp, readable by this user only) and named by TMPDIR
// from then on, so that this program, the offices it starts and whatever
// they start put their temporary files there. Removed on destruction with
// the sockets recorded in it, and by an OfficeReaper should the program end
// first, which also kills every process started with a profile in it.
class PrivateTempFolder {
public:
    PrivateTempFolder();
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
    QByteArray oldTmpdir_;
    bool hadTmpdir_ = false;
    std::unique_ptr<OfficeReaper> reaper_;
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
    // The office's own folder, and its profile inside it.
    const QString& Folder() const { return folder_; }
    const QString& ProfileFolder() const { return profileDir_; }
    // The sockets the office listens on (recorded once it accepted the
    // connection).
    const QStringList& Sockets() const { return sockets_; }
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
    QString folder_;
    QString profileDir_;
    QStringList sockets_;
    QString mark_;
    std::unique_ptr<OfficeReaper> reaper_;
    pid_t pid_ = -1;
    double startSeconds_ = 0;
    com::sun::star::uno::Reference<com::sun::star::uno::XComponentContext> context_;
};

}  // namespace bw
