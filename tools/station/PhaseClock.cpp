#include "tools/station/PhaseClock.h"

namespace mendora::station {

void PhaseClock::EnterLocked(Phase phase) {
    auto now = std::chrono::steady_clock::now();
    seconds_[PhaseIndex(Current())] += std::chrono::duration<double>(now - since_).count();
    since_ = now;
    current_.store(phase, std::memory_order_relaxed);
}

void PhaseClock::Enter(Phase phase) {
    std::lock_guard lock(mutex_);
    EnterLocked(phase);
}

void PhaseClock::Advance(Phase from, Phase to) {
    std::lock_guard lock(mutex_);
    if (Current() == from) EnterLocked(to);
}

std::array<double, kPhases.size()> PhaseClock::Seconds() {
    std::lock_guard lock(mutex_);
    auto seconds = seconds_;
    seconds[PhaseIndex(Current())] +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - since_).count();
    return seconds;
}

}  // namespace mendora::station
