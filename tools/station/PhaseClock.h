#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <mutex>

#include "tools/station/Phases.h"

namespace mendora::station {

// The worker's current phase and the time each phase took; any thread may read or advance.
class PhaseClock {
public:
    PhaseClock() : since_(std::chrono::steady_clock::now()) {}
    Phase Current() const { return current_.load(std::memory_order_relaxed); }
    // Moves on to `phase`; the time since the last move goes to the phase left.
    void Enter(Phase phase);
    // Moves from `from` to `to` only when `from` is current.
    void Advance(Phase from, Phase to);
    std::array<double, kPhases.size()> Seconds();

private:
    void EnterLocked(Phase phase);

    std::mutex mutex_;
    std::atomic<Phase> current_{Phase::Identify};
    std::chrono::steady_clock::time_point since_;
    std::array<double, kPhases.size()> seconds_{};
};

}  // namespace mendora::station
