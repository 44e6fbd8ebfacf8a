// Runs of the revert tool: a drive pulled out after a drawn number of commands, and a
// command that stalls into its timeout; each followed by a rerun on the replugged drive.
#include <sstream>

#include "platform/scsi/StallWait.h"
#include "tools/soak/Drives.h"
#include "tools/soak/Sweep.h"
#include "vdrive/Controller.h"
#include "vdrive/VirtualDrive.h"
#include "protocol/VendorOpcodes.h"

namespace mendora::soak {

namespace {

constexpr std::chrono::seconds kRevertLimit{20};
constexpr int kStallWaitMs = 200;

RunEnd RunRevert(const Sweep& sweep, const std::string& runDir, const std::string& image, int level,
                   const std::string& output, const std::vector<std::string>& extra = {}) {
    RunLaunch launch;
    launch.argv = {sweep.Program("mendora-revert"), "--vdrive", image, "--test-level", std::to_string(level)};
    // A stalled command answers after a short wait instead of its timeout of minutes.
    std::vector<std::string> env = {std::string(platform::kStallWaitVariable) + "=" + std::to_string(kStallWaitMs)};
    env.insert(env.end(), extra.begin(), extra.end());
    launch.environment = sweep.Environment(runDir, env);
    launch.outputFile = output;
    launch.limit = kRevertLimit * kLimitFactor;
    return Supervise(launch);
}

// The clean command stream of a revert of this drive kind at this level, counted once.
const std::vector<std::string>* CleanStream(Sweep& sweep, const std::string& preset, int level, std::string* error) {
    const std::string key = preset + "/" + std::to_string(level);
    if (auto found = sweep.cleanTraces.find(key); found != sweep.cleanTraces.end()) return &found->second;
    const std::string dir = sweep.workDir + "/clean-" + preset + "-" + std::to_string(level);
    MakePrivateDirectory(dir);
    const std::string image = dir + "/drive.img", trace = dir + "/trace.txt", output = dir + "/out.txt";
    if (!CreateDrive(image, SmallDrive(preset, sweep.plantingSeed), error)) return nullptr;
    const RunEnd end = RunRevert(sweep, dir, image, level, output, {std::string(vdrive::kTraceVariable) + "=" + trace});
    if (end.kind != RunEnd::Kind::Exited || end.exitCode != 0) {
        *error = "a clean revert of " + key + " did not finish (" + Describe(end) + "), see " + output;
        return nullptr;
    }
    std::vector<std::string> lines;
    std::istringstream in(ReadText(trace));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return &(sweep.cleanTraces[key] = std::move(lines));
}

// A failed revert names its failure: exit 1 with a result other than Finish, or exit 2
// when the drive stopped answering before the revert began.
std::string FailureEnding(const RunEnd& end, const std::string& out) {
    if (end.exitCode == 0) return "the revert reported success";
    if (end.exitCode == 1 && Contains(out, "Result : ") && !Contains(out, "Result : Finish") &&
        Contains(out, "mendora-revert: the revert failed: "))
        return {};
    if (end.exitCode == 2 && (Contains(out, "mendora-revert: the drive does not answer") ||
                              Contains(out, "mendora-revert: the drive's identification cannot be read")))
        return {};
    return "the failure ended without its message (exit " + std::to_string(end.exitCode) + ")";
}

// After the faulted run: replug, revert again, and every planted block must be marked.
RunResult Rerun(const Sweep& sweep, const std::string& runDir, const std::string& image, int level) {
    std::string error;
    if (!Replug(image, &error)) return {Verdict::FailedRerun, "", "replug: " + error};
    const std::string output = runDir + "/rerun.txt";
    const RunEnd end = RunRevert(sweep, runDir, image, level, output);
    const std::string out = ReadText(output);
    if (RunResult judged = Judge(end, out); judged.verdict != Verdict::Passed) {
        judged.detail = "rerun: " + judged.detail;
        return judged;
    }
    if (end.exitCode != 0) return {Verdict::FailedRerun, "", "rerun exit " + std::to_string(end.exitCode) + ", see " + output};
    if (std::string problem = CheckPlantedMarked(image); !problem.empty()) return {Verdict::FailedRerun, "", problem};
    return {};
}

// `mayFinish`: the fault is one the passes ride out (a single command that fails while the
// flash still answers is counted or ignored, not fatal); finishing is then right, but only
// with every planted block marked.
RunResult FaultedRun(const Sweep& sweep, const std::string& runDir, const std::string& image, int level,
                     bool mayFinish) {
    const std::string output = runDir + "/out.txt";
    const RunEnd end = RunRevert(sweep, runDir, image, level, output);
    const std::string out = ReadText(output);
    if (RunResult judged = Judge(end, out); judged.verdict != Verdict::Passed) return judged;
    if (mayFinish && end.exitCode == 0) {
        if (std::string problem = CheckPlantedMarked(image); !problem.empty())
            return {Verdict::FalseSuccess, "", "finished with " + problem + ", see " + output};
    } else if (std::string problem = FailureEnding(end, out); !problem.empty()) {
        return {Verdict::FalseSuccess, "", problem + ", see " + output};
    }
    return Rerun(sweep, runDir, image, level);
}

}  // namespace

RunResult RevertRemoval(Sweep& sweep, const std::string& runDir, int level, std::mt19937& rng) {
    const std::string preset = DrawPreset(rng);
    std::string error;
    const auto* stream = CleanStream(sweep, preset, level, &error);
    const long k = stream && !stream->empty() ? static_cast<long>(rng() % stream->size()) : 0;
    const std::string what = "revert " + preset + " level " + std::to_string(level) + ", removed after " +
                             std::to_string(k) + " of " + std::to_string(stream ? stream->size() : 0) + " commands";
    if (!stream) return {Verdict::FailedRerun, what, error};
    const std::string image = runDir + "/drive.img";
    auto drive = CreateDrive(image, SmallDrive(preset, sweep.plantingSeed), &error)
                     ? vdrive::VirtualDrive::Open(image, &error)
                     : nullptr;
    if (!drive || !drive->RemoveAfter(static_cast<std::int32_t>(k), &error)) return {Verdict::FailedRerun, what, error};
    RunResult result = FaultedRun(sweep, runDir, image, level, false);
    result.what = what;
    return result;
}

RunResult RevertStall(Sweep& sweep, const std::string& runDir, std::mt19937& rng) {
    const std::string preset = DrawPreset(rng);
    const int level = static_cast<int>(rng() % 3);
    std::string error;
    const auto* stream = CleanStream(sweep, preset, level, &error);
    if (!stream) return {Verdict::FailedRerun, "stall " + preset, error};

    // A command of the flash passes, drawn from the clean stream; the first command of its
    // kind on its block stalls, which is where the clean run met it.
    const vdrive::DriveSetup setup = SmallDrive(preset, sweep.plantingSeed);
    std::vector<std::pair<std::size_t, vdrive::FaultPlan>> candidates;
    for (std::size_t i = 0; i < stream->size(); ++i) {
        std::istringstream fields((*stream)[i]);
        std::vector<std::uint8_t> cdb;
        for (std::string hex; fields >> hex && hex != "|";) cdb.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
        if (cdb.empty() || (cdb[0] != opcode::kEraseBlock && cdb[0] != opcode::kWritePages && cdb[0] != opcode::kReadPages &&
                             cdb[0] != opcode::kReadSpare)) continue;
        auto target = vdrive::TargetOf(setup.geometry, cdb);
        if (!target || target->mask == 0) continue;
        vdrive::FaultPlan plan;
        plan.kind = vdrive::format::FaultKind::Stall;
        plan.opcode = cdb[0];
        plan.block = target->block;
        plan.times = 1;
        candidates.push_back({i, plan});
    }
    if (candidates.empty()) return {Verdict::FailedRerun, "stall " + preset, "no flash command in the clean stream"};
    const auto& [index, plan] = candidates[rng() % candidates.size()];
    char opcode[8];
    std::snprintf(opcode, sizeof opcode, "%02X", plan.opcode);
    const std::string what = "revert " + preset + " level " + std::to_string(level) + ", stall of " + opcode +
                             " on block " + std::to_string(plan.block) + " (command " + std::to_string(index) + ")";
    const std::string image = runDir + "/drive.img";
    auto drive = CreateDrive(image, setup, &error) ? vdrive::VirtualDrive::Open(image, &error) : nullptr;
    if (!drive || !drive->AddFault(plan, &error)) return {Verdict::FailedRerun, what, error};
    RunResult result = FaultedRun(sweep, runDir, image, level, true);
    result.what = what;
    return result;
}

}  // namespace mendora::soak
