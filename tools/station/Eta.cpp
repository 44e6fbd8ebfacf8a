#include "tools/station/Eta.h"

#include <algorithm>

namespace mendora::station {

void Eta::Update(Phase phase, double fraction, double now) {
    if (!started_) started_ = true, phaseStart_ = now;
    if (phase != phase_) {
        if (PhaseIndex(phase) < PhaseIndex(phase_)) return;  // a late line of an earlier phase
        if (PhaseWeight(phase_) > 0) {
            workDone_ += PhaseWeight(phase_);
            workSeconds_ += now - phaseStart_;
        }
        for (std::size_t p = PhaseIndex(phase_) + 1; p < PhaseIndex(phase); ++p)
            workDone_ += PhaseWeight(kPhases[p]);  // skipped: counted done, at no time
        phase_ = phase;
        phaseStart_ = now;
        fraction_ = 0;
    }
    fraction_ = std::max(fraction_, std::clamp(fraction, 0.0, 1.0));
}

double Eta::Done() const {
    if (phase_ == Phase::Done) return 1.0;
    return std::min(1.0, workDone_ + PhaseWeight(phase_) * fraction_);
}

std::optional<double> Eta::WorkRate(double now) const {
    constexpr double kMinFraction = 0.02, kMinSeconds = 0.5;
    const double elapsed = now - phaseStart_;
    if (PhaseWeight(phase_) > 0 && fraction_ >= kMinFraction && elapsed >= kMinSeconds)
        return PhaseWeight(phase_) * fraction_ / elapsed;
    if (workDone_ > 0 && workSeconds_ > 0) return workDone_ / workSeconds_;
    return std::nullopt;
}

std::optional<double> Eta::SecondsLeft(double now) const {
    if (phase_ == Phase::Done) return 0.0;
    if (phase_ == Phase::Replug) return std::nullopt;  // waits for the user
    auto rate = WorkRate(now);
    if (!rate || *rate <= 0) return std::nullopt;
    return (1.0 - Done()) / *rate;
}

void SpeedMeter::Add(double now, double bytes) {
    if (!hasBase_) {
        baseTime_ = now, baseBytes_ = bytes, hasBase_ = true;
        return;
    }
    const double span = now - baseTime_;
    if (span < 0.5) return;  // too short to tell
    rate_ = std::max(0.0, bytes - baseBytes_) / span;
    if (span >= kWindow) baseTime_ = now, baseBytes_ = bytes;
}

}  // namespace mendora::station
