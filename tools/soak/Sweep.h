#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tools/soak/Supervisor.h"

namespace mendora::soak {

// How much longer than planned a run may take: sanitized builds are several times slower.
#ifdef MENDORA_SOAK_SLOW_BUILD
inline constexpr int kLimitFactor = 6;
#else
inline constexpr int kLimitFactor = 1;
#endif

// BrokenStop: a stopped run that lost its report, cut a library phase or left its
// directory behind.
enum class Verdict { Passed, Hang, Crash, FalseSuccess, FailedRerun, BrokenStop };

struct RunResult {
    Verdict verdict = Verdict::Passed;
    std::string what;    // the run drawn, enough to repeat it by hand
    std::string detail;  // what went wrong
};

// What every run of one sweep shares: where the programs are, a scratch folder, and the
// clean command streams, counted once per drive kind and test level.
struct Sweep {
    std::string binDir;
    std::string workDir;
    std::uint32_t plantingSeed = 1;
    std::map<std::string, std::vector<std::string>> cleanTraces;
    std::map<std::string, long> replugAt;  // trace lines before the re-plug, by kind
    std::chrono::milliseconds cleanStationTime{0};  // a station run of three drives

    std::string Program(const std::string& name) const { return binDir + "/" + platform::ProgramFileName(name); }
    // The environment of a program under test: ours without the variables that steer it.
    std::vector<std::string> Environment(const std::string& runDir, const std::vector<std::string>& extra) const;
};

std::string ReadText(const std::string& path);
// A directory only its owner may use, made when missing.
void MakePrivateDirectory(const std::string& path);
bool Contains(const std::string& text, const std::string& part);

// Hang or crash of a program under test (a sanitizer report counts as a crash); Passed
// when it ended by itself.
RunResult Judge(const RunEnd& end, const std::string& output);

// The kinds of runs, one per call; `rng` draws the run's parameters.
RunResult RevertRemoval(Sweep& sweep, const std::string& runDir, int testLevel, std::mt19937& rng);
RunResult RevertStall(Sweep& sweep, const std::string& runDir, std::mt19937& rng);
RunResult RepairRemoval(Sweep& sweep, const std::string& runDir, std::mt19937& rng);
// A station run of three drives sent a stop request (Ctrl-C, a termination request or a
// hang-up) at a drawn moment.
RunResult StationSignal(Sweep& sweep, const std::string& runDir, platform::StopKind signal, std::mt19937& rng);

}  // namespace mendora::soak
