// Station runs stopped by the user: three drives (a QF90, a QF70 without firmware and a
// QF70 re-plugged when its row asks) sent Ctrl-C, a termination request or a hang-up at a
// drawn moment, as a terminal sends them to its whole foreground group.
#include <array>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "tools/soak/Drives.h"
#include "tools/soak/Sweep.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::soak {
namespace {

constexpr std::chrono::seconds kStationLimit{90};
constexpr const char* kRowAsksReplug = "re-plug now";
const std::array<const char*, 3> kStationPresets = {"qf90", "qf70-nofw", "qf70"};

struct StationDrives {
    std::vector<std::string> images;
    std::string replugged;  // the QF70 with firmware
};

std::optional<StationDrives> MakeDrives(const Sweep& sweep, const std::string& dir, std::string* error) {
    StationDrives drives;
    for (const char* preset : kStationPresets) {
        const std::string image = std::filesystem::absolute(dir + "/" + preset + ".img").string();
        if (!CreateDrive(image, SmallDrive(preset, sweep.plantingSeed), error)) return std::nullopt;
        drives.images.push_back(image);
    }
    drives.replugged = drives.images.back();
    return drives;
}

// One station run; the QF70 is re-plugged when its row asks, and `stop` is sent to the
// group `stopAfter` past the station's first line (never when it is empty).
RunEnd RunStation(const Sweep& sweep, const std::string& runDir, const StationDrives& drives,
                  std::optional<std::pair<platform::StopKind, std::chrono::milliseconds>> stop) {
    const std::string runtime = runDir + "/runtime", output = runDir + "/out.txt";
    MakePrivateDirectory(runtime);
    RunLaunch launch;
    launch.argv = {sweep.Program("mendora-station"), "--yes", "--json", runDir + "/report.json", "--interval", "0.1",
                   "--replug-timeout", "30", "--vdrive"};
    launch.argv.insert(launch.argv.end(), drives.images.begin(), drives.images.end());
    launch.environment = sweep.Environment(runDir, {"XDG_RUNTIME_DIR=" + runtime, "TMP=" + runtime, "TEMP=" + runtime});
    launch.outputFile = output;
    launch.limit = kStationLimit * kLimitFactor;
    bool replugged = false, sent = false;
    std::optional<std::chrono::steady_clock::time_point> firstLine;
    launch.whileRunning = [&](platform::ChildProcess& run) {
        const std::string out = ReadText(output);
        if (!firstLine && !out.empty()) firstLine = std::chrono::steady_clock::now();
        if (stop && !sent && firstLine && std::chrono::steady_clock::now() - *firstLine >= stop->second) {
            sent = true;
            run.Stop(stop->first);
        }
        if (replugged || !Contains(out, kRowAsksReplug)) return;
        replugged = true;
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(drives.replugged, &error);
        if (!drive || !drive->SetPlugged(false, &error)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        drive->SetPlugged(true, &error);
    };
    return Supervise(launch);
}

// How long a clean station run of the three drives takes, measured once per sweep.
std::optional<std::chrono::milliseconds> CleanStationTime(Sweep& sweep, std::string* error) {
    if (sweep.cleanStationTime.count() > 0) return sweep.cleanStationTime;
    const std::string dir = sweep.workDir + "/clean-station";
    MakePrivateDirectory(dir);
    auto drives = MakeDrives(sweep, dir, error);
    if (!drives) return std::nullopt;
    const RunEnd end = RunStation(sweep, dir, *drives, std::nullopt);
    if (end.kind != RunEnd::Kind::Exited || end.exitCode != 0) {
        *error = "a clean station run did not repair every drive (" + Describe(end) + "), see " + dir + "/out.txt";
        return std::nullopt;
    }
    return sweep.cleanStationTime = end.took;
}

// Empty when the drive ended as its report says: repaired and ready, or not reached by the
// library at all (erased, not ready). A ready drive that is not reported repaired, or a
// repaired one that is not ready, had its library phase cut.
std::string CheckDriveAgainstReport(const std::string& image, const nlohmann::json& report) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    auto info = drive ? drive->Info(&error) : std::nullopt;
    if (!info) return image + ": " + error;
    const std::string reported = report.value("verdict", "");
    // A stick to retire was repaired all the same.
    const std::string verdict = reported == "repaired, retire" ? "repaired" : reported;
    if (verdict == "repaired" && !info->diskReady) return image + " is reported repaired but is not ready";
    if (verdict != "repaired" && info->diskReady) return image + " is ready but reported " + verdict + ": its library phase was cut";
    return {};
}

// Empty when the reports were written, one per drive, each agreeing with its drive.
std::string CheckReports(const std::string& file, const StationDrives& drives) {
    const std::string text = ReadText(file);
    if (text.empty()) return "no report was written";
    const nlohmann::json all = nlohmann::json::parse(text, nullptr, false);
    if (!all.is_array() || all.size() != drives.images.size()) return "the report does not hold one object per drive";
    for (const std::string& image : drives.images) {
        const auto row = std::find_if(all.begin(), all.end(), [&](const nlohmann::json& r) {
            return r.is_object() && r.value("port", "") == std::filesystem::canonical(image).string();
        });
        if (row == all.end()) return "no report for " + image;
        if (std::string problem = CheckDriveAgainstReport(image, *row); !problem.empty()) return problem;
    }
    return {};
}

std::string LeftBehind(const std::string& runtime) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(runtime, ignored))
        if (entry.path().filename().string().rfind("mendora-station-", 0) == 0)
            return "the station's directory " + entry.path().string() + " was left behind";
    return {};
}

const char* StopName(platform::StopKind kind) {
    return kind == platform::StopKind::Interrupt   ? "Ctrl-C"
           : kind == platform::StopKind::Terminate ? "termination request"
                                                   : "hang-up";
}

}  // namespace

RunResult StationSignal(Sweep& sweep, const std::string& runDir, platform::StopKind signal, std::mt19937& rng) {
    std::string error;
    const auto clean = CleanStationTime(sweep, &error);
    const long ms = clean ? static_cast<long>(rng() % (clean->count() + 1)) : 0;
    const std::string what = std::string("station of three drives, ") + StopName(signal) + " at " +
                             std::to_string(ms) + " of " + std::to_string(clean ? clean->count() : 0) + " ms";
    if (!clean) return {Verdict::FailedRerun, what, error};
    auto drives = MakeDrives(sweep, runDir, &error);
    if (!drives) return {Verdict::FailedRerun, what, error};

    const RunEnd end = RunStation(sweep, runDir, *drives, std::pair{signal, std::chrono::milliseconds(ms)});
    const std::string output = runDir + "/out.txt";
    if (RunResult judged = Judge(end, ReadText(output)); judged.verdict != Verdict::Passed)
        return {judged.verdict, what, judged.detail + ", see " + output};
    if (end.exitCode != 0 && end.exitCode != 1)
        return {Verdict::BrokenStop, what, "the station ended with status " + std::to_string(end.exitCode)};
    for (const std::string& problem : {CheckReports(runDir + "/report.json", *drives), LeftBehind(runDir + "/runtime")})
        if (!problem.empty()) return {Verdict::BrokenStop, what, problem + ", see " + output};
    return {Verdict::Passed, what, {}};
}

}  // namespace mendora::soak
