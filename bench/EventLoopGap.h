#pragma once

// Measures how long the window was held: a 1 ms timer fires at every turn
// of the event loop, and the longest interval between two firings (or
// between the last firing and Stop()) is the longest hold. Beside the wall
// time, the CPU time the window's thread spent in that interval is kept: on
// a loaded machine the wall time includes the time the thread waited for a
// processor, while the CPU time is the work the command did in one piece.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <ctime>

namespace bw::bench {

class EventLoopGap {
public:
    EventLoopGap() {
        ticker_.setInterval(1);
        ticker_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        lastTick_ = longest_ = 0;
        lastCpu_ = ThreadCpuNs();
        longestCpu_ = 0;
        clock_.start();
        ticker_.start();
    }
    // Stops measuring; returns the longest gap in milliseconds.
    double Stop() {
        Tick();
        ticker_.stop();
        return longest_ / 1e6;
    }
    // The most CPU time of the window's thread between two turns, in
    // milliseconds (valid after Stop()).
    double LongestCpuMs() const { return longestCpu_ / 1e6; }

private:
    static qint64 ThreadCpuNs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
    }
    void Tick() {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 cpu = ThreadCpuNs();
        longest_ = std::max(longest_, now - lastTick_);
        longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
        lastTick_ = now;
        lastCpu_ = cpu;
    }

    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 lastTick_ = 0;
    qint64 longest_ = 0;
    qint64 lastCpu_ = 0;
    qint64 longestCpu_ = 0;
};

}  // namespace bw::bench
