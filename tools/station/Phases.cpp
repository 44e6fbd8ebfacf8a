#include "tools/station/Phases.h"

namespace mendora::station {

const char* PhaseName(Phase phase) {
    switch (phase) {
        case Phase::Identify: return "identify";
        case Phase::Erase: return "erase";
        case Phase::PatternWrite: return "pattern write";
        case Phase::Verify: return "verify";
        case Phase::BlankCheck: return "blank check";
        case Phase::Replug: return "re-plug now";
        case Phase::Library: return "library";
        case Phase::Certify: return "certify";
        case Phase::Done: return "done";
    }
    return "?";
}

std::optional<Phase> PhaseNamed(const std::string& name) {
    for (Phase p : kPhases)
        if (name == PhaseName(p)) return p;
    return std::nullopt;
}

// Measured on virtual drives at USB 2.0 speed: writing the pattern costs the most, reading
// it back a little less, the blank check reads the spare area of every block.
double PhaseWeight(Phase phase) {
    switch (phase) {
        case Phase::Erase: return 0.05;
        case Phase::PatternWrite: return 0.40;
        case Phase::Verify: return 0.30;
        case Phase::BlankCheck: return 0.10;
        case Phase::Library: return 0.15;
        default: return 0.0;
    }
}

}  // namespace mendora::station
