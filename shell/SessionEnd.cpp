#include "SessionEnd.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace bw {

namespace {

// The pipe's write end, for the signal handler.
volatile std::sig_atomic_t signalPipe = -1;

// Only async-signal-safe calls: one byte into the pipe. A full pipe already
// holds a request, so a failed write loses nothing.
extern "C" void OnEndSignal(int signal) {
    const int savedErrno = errno;
    const int fd = signalPipe;
    if (fd >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

SessionEnd::SessionEnd(QWidget& window) {
    connect(this, &SessionEnd::EndRequested, &window, &QWidget::close);

    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) == 0) {
        signalPipe = pipe_[1];
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadSignals(); });
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            if (::sigaction(kSignals[i], nullptr, &earlier_[i]) != 0) continue;
            if (earlier_[i].sa_handler == SIG_IGN) continue;
            struct sigaction action = {};
            action.sa_handler = OnEndSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            installed_[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
        }
    }

#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(
            app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { emit EndRequested(); },
            Qt::DirectConnection);
    }
#endif
}

SessionEnd::~SessionEnd() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (installed_[i]) ::sigaction(kSignals[i], &earlier_[i], nullptr);
    signalPipe = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void SessionEnd::ReadSignals() {
    char bytes[64];
    bool any = false;
    ssize_t n;
    while ((n = ::read(pipe_[0], bytes, sizeof bytes)) > 0) any = true;
    if (any) emit EndRequested();
}

}  // namespace bw
