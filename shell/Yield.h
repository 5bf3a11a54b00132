#pragma once

// Letting the window process its pending events inside long commands.
//
// Every long command (loading list files, the conversion run, the exports,
// clearing a list, building the input list's saved value) works in time
// slices with a Pacer: it counts its work as it goes, the Pacer looks at the
// clock only every kPacerCheckCost units of work, and once a slice is over
// the command brings what the user sees up to date (new rows, the progress
// bar) and lets the window run (Yield). So the window answers within a
// slice plus the time of one turn of the event loop, and reading the clock
// costs next to nothing.
//
//     Pacer pacer(pacing);
//     for (...) {
//         ... one step, of about `cost` units ...
//         if (pacer.Tick(cost)) {
//             ... show progress, flush rows ...
//             if (pacer.Yield()) return;  // the window is going away
//         }
//     }

#include <QElapsedTimer>
#include <cstddef>
#include <functional>

namespace bw {

// How long a long command works between two turns of the event loop.
inline constexpr int kYieldSliceMs = 10;

// Units of work between two looks at the clock. A unit is about one short
// row (appended, converted, measured or written) or 64 bytes of a long text.
inline constexpr std::size_t kPacerCheckCost = 256;

// The cost of handling one row or one text of this many bytes.
constexpr std::size_t RowCost(std::size_t bytes) { return 1 + bytes / 64; }

// How a long command shares the window's thread.
struct Pacing {
    // Pending window events are processed whenever this much time has
    // passed (0 or less: at every Tick).
    int yieldSliceMs = kYieldSliceMs;
    // Asked after each turn of the event loop; true ends the command at
    // once (the window is going away).
    std::function<bool()> stop;
};

// Processes pending window events once.
void YieldToEvents();

// Paces one long command.
class Pacer {
public:
    explicit Pacer(const Pacing& pacing = {});
    // Counts `cost` units of work done; true when the slice is over and the
    // command should yield now.
    bool Tick(std::size_t cost = 1);
    // Processes pending events and starts a new slice. Returns true when
    // the command must end (pacing.stop said so).
    bool Yield();
    // Tick, and Yield when the slice is over: true when the command must end.
    bool Pace(std::size_t cost = 1) { return Tick(cost) && Yield(); }
    // Ends the slice with a turn of the event loop, then runs `show` (which
    // brings the view up to date: the rows appended, the progress) and turns
    // the event loop twice more, so that the view's own work for them
    // (drawing, the positions Qt's row header computes) comes in a turn of
    // its own instead of on top of a slice of work. True when the command
    // must end.
    template <class F>
    bool YieldShowing(F&& show) {
        if (Yield()) return true;
        show();
        return Yield() || Yield();
    }
    // Whether a Yield was told to end the command.
    bool Stopped() const { return stopped_; }

private:
    Pacing pacing_;
    std::size_t checkCost_;
    std::size_t pending_ = 0;
    bool stopped_ = false;
    QElapsedTimer timer_;
};

}  // namespace bw
