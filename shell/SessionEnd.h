#pragma once

// The end of the session as the window's close request.
//
// The program ends through its window's close request (which saves the
// input list) whoever asks: the user's close box, and also the session or
// the system. SessionEnd turns the other askers into a close of the window:
//   - SIGTERM (the system shutting down, kill), SIGHUP (the terminal or the
//     session going away) and SIGINT (Ctrl+C in the terminal). A handler
//     may do nothing but write to a pipe; the pipe is read on the event
//     loop, which then closes the window. So a signal that arrives while a
//     long command runs is acted on at the command's next yield.
//   - The desktop session logging off (Qt's commit data request): the
//     window is closed before the request returns, since the session may
//     end the program right after it.
// A signal the program was started with ignored (nohup, a background job)
// stays ignored. Closing an already closed window does nothing, so however
// many of these arrive, the close request runs once.

#include <QObject>
#include <QWidget>
#include <csignal>
#include <iterator>
#include <memory>

class QSocketNotifier;

namespace bw {

class SessionEnd : public QObject {
    Q_OBJECT
public:
    // Closes window when the session ends. One SessionEnd at a time.
    explicit SessionEnd(QWidget& window);
    // Gives the signals back their earlier handling.
    ~SessionEnd() override;

    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

signals:
    // The session or the system asks the program to end.
    void EndRequested();

private:
    void ReadSignals();

    static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
    struct sigaction earlier_[std::size(kSignals)];
    bool installed_[std::size(kSignals)] = {};
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace bw
