#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace mendora::station {

// The steps of one drive's repair, in the order they run.
enum class Phase { Identify, Erase, PatternWrite, Verify, BlankCheck, Replug, Library, Certify, Done };

inline constexpr std::array<Phase, 9> kPhases = {Phase::Identify,   Phase::Erase,  Phase::PatternWrite,
                                                 Phase::Verify,     Phase::BlankCheck, Phase::Replug,
                                                 Phase::Library,    Phase::Certify, Phase::Done};

// The name shown in the table and written in the reports.
const char* PhaseName(Phase phase);
std::optional<Phase> PhaseNamed(const std::string& name);

// The phase's share of a whole repair's work (they add up to 1). Waiting for the user's
// re-plug is no work of the drive's; the certify, asked for or not, has its own share and
// time left in the table.
double PhaseWeight(Phase phase);

inline std::size_t PhaseIndex(Phase phase) { return static_cast<std::size_t>(phase); }

}  // namespace mendora::station
