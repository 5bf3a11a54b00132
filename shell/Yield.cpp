#include "Yield.h"

#include <QCoreApplication>

namespace bw {

void YieldToEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

Pacer::Pacer(const Pacing& pacing) : pacing_(pacing), checkCost_(pacing.yieldSliceMs <= 0 ? 1 : kPacerCheckCost) {
    timer_.start();
}

bool Pacer::Tick(std::size_t cost) {
    pending_ += cost;
    if (pending_ < checkCost_) return false;
    pending_ = 0;
    return pacing_.yieldSliceMs <= 0 || timer_.elapsed() >= pacing_.yieldSliceMs;
}

bool Pacer::Yield() {
    YieldToEvents();
    timer_.restart();
    pending_ = 0;
    if (!stopped_ && pacing_.stop && pacing_.stop()) stopped_ = true;
    return stopped_;
}

}  // namespace bw
