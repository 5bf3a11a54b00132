#include "Yield.h"

#include <QCoreApplication>

namespace bw {

void YieldToEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

TimeSliceYield::TimeSliceYield(int sliceMs) : sliceMs_(sliceMs) { timer_.start(); }

bool TimeSliceYield::Due() const { return timer_.elapsed() >= sliceMs_; }

void TimeSliceYield::Yield() {
    YieldToEvents();
    timer_.restart();
}

bool TimeSliceYield::MaybeYield() {
    if (!Due()) return false;
    Yield();
    return true;
}

}  // namespace bw
