#pragma once

// Letting the window process its pending events inside long commands.

#include <QElapsedTimer>

namespace bw {

// How long a long command (the conversion run, loading, the exports) works
// between two turns of the event loop.
inline constexpr int kYieldSliceMs = 10;

// Processes pending window events once.
void YieldToEvents();

// Yields only when a time slice has passed since the last yield, so long
// loops stay responsive without paying for an event-loop turn per item.
class TimeSliceYield {
public:
    explicit TimeSliceYield(int sliceMs = kYieldSliceMs);
    // True when the slice is over (the caller may update progress first).
    bool Due() const;
    // Yields and starts a new slice.
    void Yield();
    // Yields if the slice is over; returns whether it did.
    bool MaybeYield();

private:
    int sliceMs_;
    QElapsedTimer timer_;
};

}  // namespace bw
