#pragma once

// Measures how long the window was held: a 1 ms timer fires at every turn
// of the event loop, and the longest interval between two firings (or
// between the last firing and Stop()) is the longest hold.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

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
        clock_.start();
        ticker_.start();
    }
    // Stops measuring; returns the longest gap in milliseconds.
    double Stop() {
        Tick();
        ticker_.stop();
        return longest_ / 1e6;
    }

private:
    void Tick() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - lastTick_);
        lastTick_ = now;
    }

    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 lastTick_ = 0;
    qint64 longest_ = 0;
};

}  // namespace bw::bench
