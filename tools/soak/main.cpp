// mendora-soak: seeded fault sweeps over the revert tool and the whole repair.
//   mendora-soak [RUNS] [SEED] [--signal-runs N] [--verbose] [--keep] [--only N] [--bin-dir DIR]
// Prints one line of counts; exits 1 when any count is not zero, 2 on usage errors.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/kernel/NativeKernel.h"
#include "tools/soak/Sweep.h"

namespace mendora::soak {
namespace {

const char kUsage[] =
    "Usage: mendora-soak [RUNS] [SEED] [--signal-runs N] [--verbose] [--keep] [--only N] [--bin-dir DIR]\n"
    "Seeded fault runs in rotation: the drive pulled out during a revert at test levels 0, 1\n"
    "and 2 and during a whole repair (each must fail by itself with its message), and a\n"
    "flash command of a revert stalled into its timeout (it must end by itself; finishing\n"
    "is right only with every planted block marked). Then a second run on the replugged\n"
    "drive must succeed with every planted block marked. RUNS defaults to 50, SEED to 1.\n"
    "Then the signal runs: a station repairing three drives (a QF90, a QF70 without firmware,\n"
    "a QF70 re-plugged when asked) is sent Ctrl-C, a termination request or a hang-up at a\n"
    "drawn moment, N times each (default: RUNS); it must end by itself with every report\n"
    "written, each drive either repaired and ready or not reached by the library, and its\n"
    "directory removed.\n"
    "  --verbose       a line for every run, not only the failed ones\n"
    "  --keep          keep every run's folder (drive, output), not only the failed ones\n"
    "  --signal-runs N signal runs of each kind (0: none)\n"
    "  --only N        just run N of the sweep (each run draws from SEED and its number;\n"
    "                  the signal runs are numbered after the fault runs)\n"
    "  --bin-dir DIR   where mendora and mendora-revert are (default: beside this program)\n";

bool Number(const char* text, unsigned long* value) {
    char* end = nullptr;
    *value = std::strtoul(text, &end, 10);
    return *text != '\0' && *text != '-' && *end == '\0';
}

std::string ProgramDirectory() {
    const std::string self = platform::NativeProcessHost().ExecutablePath();
    return self.substr(0, self.rfind('/'));
}

// A folder of this sweep's own under the temporary directory; empty when none could be made.
std::string ScratchFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", random());
        const auto folder = std::filesystem::temp_directory_path() / ("mendora-soak-" + std::string(suffix));
        std::error_code failed;
        if (std::filesystem::create_directory(folder, failed) && !failed) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all, failed);
            return folder.generic_string();
        }
    }
    return {};
}

const char* VerdictName(Verdict v) {
    switch (v) {
        case Verdict::Passed: return "passed";
        case Verdict::Hang: return "HANG";
        case Verdict::Crash: return "CRASH";
        case Verdict::FalseSuccess: return "FALSE SUCCESS";
        case Verdict::FailedRerun: return "FAILED RERUN";
        case Verdict::BrokenStop: return "BROKEN STOP";
    }
    return "?";
}

// Runs [0, faultRuns) are fault runs in rotation; the signal runs follow, the three
// signals in rotation.
RunResult RunOne(Sweep& sweep, const std::string& runDir, unsigned long index, unsigned long faultRuns,
                 std::mt19937& rng) {
    if (index >= faultRuns) {
        static const platform::StopKind kSignals[] = {platform::StopKind::Interrupt, platform::StopKind::Terminate,
                                                      platform::StopKind::HangUp};
        return StationSignal(sweep, runDir, kSignals[(index - faultRuns) % 3], rng);
    }
    switch (index % 5) {
        case 0:
        case 1:
        case 2: return RevertRemoval(sweep, runDir, static_cast<int>(index % 5), rng);
        case 3: return RepairRemoval(sweep, runDir, rng);
        default: return RevertStall(sweep, runDir, rng);
    }
}

int Run(int argc, char** argv) {
    unsigned long runs = 50, seed = 1, only = 0, signalRuns = 0;
    bool hasOnly = false, hasSignalRuns = false;
    bool verbose = false, keep = false;
    std::string binDir = ProgramDirectory();
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        unsigned long n = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--verbose" || arg == "-v") {
            verbose = true;
        } else if (arg == "--bin-dir" && i + 1 < argc) {
            binDir = argv[++i];
        } else if (arg == "--only" && i + 1 < argc && Number(argv[i + 1], &only)) {
            hasOnly = true;
            ++i;
        } else if (arg == "--signal-runs" && i + 1 < argc && Number(argv[i + 1], &signalRuns)) {
            hasSignalRuns = true;
            ++i;
        } else if (arg == "--keep") {
            keep = true;
        } else if (positional < 2 && Number(argv[i], &n)) {
            (positional++ == 0 ? runs : seed) = n;
        } else {
            std::fprintf(stderr, "mendora-soak: unexpected argument %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (!platform::FollowOrphans()) {
        std::fprintf(stderr, "mendora-soak: cannot adopt orphaned processes\n");
        return 2;
    }

    Sweep sweep;
    sweep.binDir = binDir;
    sweep.plantingSeed = static_cast<std::uint32_t>(seed);
    sweep.workDir = ScratchFolder();
    if (sweep.workDir.empty()) {
        std::fprintf(stderr, "mendora-soak: cannot make a scratch folder in %s\n",
                     std::filesystem::temp_directory_path().string().c_str());
        return 2;
    }

    if (!hasSignalRuns) signalRuns = runs;
    const unsigned long faultRuns = runs, allRuns = runs + 3 * signalRuns;
    unsigned long counts[6] = {};
    for (unsigned long i = hasOnly ? only : 0; i < (hasOnly ? only + 1 : allRuns); ++i) {
        const std::string runDir = sweep.workDir + "/run-" + std::to_string(i);
        std::filesystem::create_directory(runDir);
        // Each run draws from its own stream, so that one run can be repeated alone.
        std::seed_seq seeds{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(i)};
        std::mt19937 rng(seeds);
        const auto started = std::chrono::steady_clock::now();
        const RunResult result = RunOne(sweep, runDir, i, faultRuns, rng);
        ++counts[static_cast<int>(result.verdict)];
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        if (result.verdict != Verdict::Passed) {
            std::fprintf(stderr, "mendora-soak: run %lu (%s): %s: %s\n", i, result.what.c_str(),
                         VerdictName(result.verdict), result.detail.c_str());
        } else {
            if (verbose) std::fprintf(stderr, "mendora-soak: run %lu (%s): passed in %lld ms\n", i, result.what.c_str(),
                                      static_cast<long long>(ms.count()));
            if (!keep) std::filesystem::remove_all(runDir);
        }
    }
    const unsigned long ran = hasOnly ? 1 : allRuns;
    const unsigned long problems = ran - counts[0];
    const unsigned long faultRan = hasOnly ? (only < faultRuns ? 1 : 0) : faultRuns;
    std::printf("soak: %lu runs, %lu signal runs, %lu hangs, %lu crashes, %lu false successes, %lu failed reruns, "
                "%lu broken stops\n",
                faultRan, ran - faultRan, counts[static_cast<int>(Verdict::Hang)],
                counts[static_cast<int>(Verdict::Crash)], counts[static_cast<int>(Verdict::FalseSuccess)],
                counts[static_cast<int>(Verdict::FailedRerun)], counts[static_cast<int>(Verdict::BrokenStop)]);
    if (problems == 0 && !keep) {
        std::filesystem::remove_all(sweep.workDir);
    } else {
        std::fprintf(stderr, "mendora-soak: the runs are kept in %s\n", sweep.workDir.c_str());
    }
    return problems == 0 ? 0 : 1;
}

}  // namespace
}  // namespace mendora::soak

int main(int argc, char** argv) { return mendora::soak::Run(argc, argv); }
