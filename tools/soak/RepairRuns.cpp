// Whole repairs by the executable in the terminal host, with the drive pulled out after a
// drawn number of commands anywhere in the run: revert, re-plug wait and library phase.
#include <thread>

#include "tools/soak/Drives.h"
#include "tools/soak/Sweep.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::soak {

namespace {

constexpr std::chrono::seconds kRepairLimit{60};
constexpr const char* kSuccess = "Repair complete, Please un-plug device";
constexpr const char* kFailure = "Repair fail";
constexpr const char* kNoDevice = "Device not found, please insert device";
constexpr const char* kReplugAsked = "** Please re-plug device to finish the job. **";

// One repair; a QF70 with firmware is replugged when the terminal asks, and then
// `afterReplug` runs (e.g. to plan the removal within the library phase).
RunEnd RunRepair(const Sweep& sweep, const std::string& runDir, const std::string& image, const std::string& output,
                   const std::function<void()>& afterReplug, const std::vector<std::string>& extra = {}) {
    const std::string runtime = runDir + "/runtime";
    MakePrivateDirectory(runtime);
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime, "TMP=" + runtime, "TEMP=" + runtime, "MENDORA_UI=tty", "MENDORA_ASSUME_YES=1",
                                    "MENDORA_VDRIVE=" + image, "MENDORA_DEBUG=" + runDir + "/debug.log"};
    env.insert(env.end(), extra.begin(), extra.end());
    RunLaunch launch;
    launch.argv = {sweep.Program("mendora")};
    launch.environment = sweep.Environment(runDir, env);
    launch.outputFile = output;
    launch.limit = kRepairLimit * kLimitFactor;
    bool replugged = false;
    launch.whileRunning = [&](platform::ChildProcess&) {
        if (replugged || !Contains(ReadText(output), kReplugAsked)) return;
        replugged = true;
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        if (!drive || !drive->SetPlugged(false, &error)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        drive->SetPlugged(true, &error);
        if (afterReplug) afterReplug();
    };
    return Supervise(launch);
}

struct CleanRepair {
    long length = 0;    // commands of the whole run
    long replugAt = 0;  // commands before the re-plug; the whole run when none is asked
};

std::optional<CleanRepair> CleanStream(Sweep& sweep, const std::string& preset, std::string* error) {
    const std::string key = "repair/" + preset;
    if (auto found = sweep.cleanTraces.find(key); found != sweep.cleanTraces.end())
        return CleanRepair{static_cast<long>(found->second.size()), sweep.replugAt[key]};
    const std::string dir = sweep.workDir + "/clean-repair-" + preset;
    MakePrivateDirectory(dir);
    const std::string image = dir + "/drive.img", trace = dir + "/trace.txt", output = dir + "/out.txt";
    if (!CreateDrive(image, SmallDrive(preset, sweep.plantingSeed), error)) return std::nullopt;
    long replugAt = -1;
    const RunEnd end = RunRepair(sweep, dir, image, output, [&] { replugAt = TraceLength(trace); },
                                   {std::string(vdrive::kTraceVariable) + "=" + trace});
    if (end.kind != RunEnd::Kind::Exited || !Contains(ReadText(output), kSuccess)) {
        *error = "a clean repair of " + preset + " did not succeed (" + Describe(end) + "), see " + output;
        return std::nullopt;
    }
    std::vector<std::string> lines(static_cast<std::size_t>(TraceLength(trace)));
    const long length = static_cast<long>(lines.size());
    sweep.cleanTraces[key] = std::move(lines);
    return CleanRepair{length, sweep.replugAt[key] = replugAt < 0 ? length : replugAt};
}

// A run that cannot repair says so: "Repair fail" at the end of the run, or the message
// that no drive is there when it is gone before the dialog.
std::string FailureEnding(const std::string& out) {
    if (Contains(out, kSuccess)) return "the repair reported success";
    if (Contains(out, kFailure) || Contains(out, kNoDevice)) return {};
    return "the failure ended without its message";
}

}  // namespace

RunResult RepairRemoval(Sweep& sweep, const std::string& runDir, std::mt19937& rng) {
    const std::string preset = DrawPreset(rng);
    std::string error;
    const auto clean = CleanStream(sweep, preset, &error);
    const long k = clean && clean->length > 0 ? static_cast<long>(rng() % clean->length) : 0;
    const std::string what = "repair " + preset + ", removed after " + std::to_string(k) + " of " +
                             std::to_string(clean ? clean->length : 0) + " commands";
    if (!clean) return {Verdict::FailedRerun, what, error};

    const std::string image = runDir + "/drive.img";
    auto drive = CreateDrive(image, SmallDrive(preset, sweep.plantingSeed), &error)
                     ? vdrive::VirtualDrive::Open(image, &error)
                     : nullptr;
    if (!drive) return {Verdict::FailedRerun, what, error};
    // Removal before the re-plug is planned now; later, once the drive is back in.
    if (k < clean->replugAt && !drive->RemoveAfter(static_cast<std::int32_t>(k), &error))
        return {Verdict::FailedRerun, what, error};
    const std::int32_t afterReplug = static_cast<std::int32_t>(k - clean->replugAt);
    const std::string output = runDir + "/out.txt";
    const RunEnd end = RunRepair(sweep, runDir, image, output, [&] {
        if (afterReplug >= 0) drive->RemoveAfter(afterReplug, &error);
    });
    const std::string out = ReadText(output);
    if (RunResult judged = Judge(end, out); judged.verdict != Verdict::Passed) return {judged.verdict, what, judged.detail};
    if (std::string problem = FailureEnding(out); !problem.empty())
        return {Verdict::FalseSuccess, what, problem + ", see " + output};

    if (!Replug(image, &error)) return {Verdict::FailedRerun, what, "replug: " + error};
    const std::string rerunDir = runDir + "/rerun";
    MakePrivateDirectory(rerunDir);
    const std::string rerunOutput = rerunDir + "/out.txt";
    const RunEnd rerun = RunRepair(sweep, rerunDir, image, rerunOutput, nullptr);
    const std::string rerunOut = ReadText(rerunOutput);
    if (RunResult judged = Judge(rerun, rerunOut); judged.verdict != Verdict::Passed)
        return {judged.verdict, what, "rerun: " + judged.detail};
    if (!Contains(rerunOut, kSuccess)) return {Verdict::FailedRerun, what, "rerun did not succeed, see " + rerunOutput};
    if (std::string problem = CheckPlantedMarked(image); !problem.empty()) return {Verdict::FailedRerun, what, problem};
    return {Verdict::Passed, what, {}};
}

}  // namespace mendora::soak
