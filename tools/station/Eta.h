#pragma once
#include <optional>

#include "tools/station/Phases.h"

namespace mendora::station {

// Estimates one drive's time left: the rate measured so far in the current phase, turned
// into work per second through the phase's share of the whole repair; before a phase has
// shown progress, the rate of the phases already done.
class Eta {
public:
    void Update(Phase phase, double fraction, double now);
    // The whole repair done, from 0 to 1.
    double Done() const;
    std::optional<double> SecondsLeft(double now) const;

private:
    std::optional<double> WorkRate(double now) const;

    Phase phase_ = Phase::Identify;
    double fraction_ = 0;
    double phaseStart_ = 0;
    bool started_ = false;
    double workDone_ = 0;     // shares of the phases finished
    double workSeconds_ = 0;  // the time those phases took
};

// Transfer speed over a sliding window of a few seconds.
class SpeedMeter {
public:
    void Add(double now, double bytes);
    double BytesPerSecond() const { return rate_; }
    void Reset() { rate_ = 0, hasBase_ = false; }

private:
    static constexpr double kWindow = 2.0;
    double baseTime_ = 0, baseBytes_ = 0, rate_ = 0;
    bool hasBase_ = false;
};

}  // namespace mendora::station
