// The built station under wine: six virtual drives repaired at once, every kind it repairs,
// one pulled out during the pattern test and one it refuses, the QF70 with firmware
// re-plugged when its row asks; and Ctrl-C sent to its console group.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/kernel/ChildProcess.h"
#include "platform/kernel/win32/WindowsHeader.h"
#include "tests/TempDir.h"
#include "tests/windows/ProgramRun.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;

struct Planned {
    std::string preset;
    vdrive::Geometry geometry;
    std::uint32_t bad = 0, weak = 0, grown = 0;
    std::int32_t removeAfter = -1;
    bool usb2 = false;  // as slow as a real drive on USB 2.0
};

// D: to I:, in the order given to the station.
const std::vector<Planned> kDrives = {
    {"qf90", {2, 1, 64, 4, 4}, 2, 1, 1},
    {"qf90", {1, 1, 128, 4, 4}, 1, 2, 0, 400},  // pulled out while its pattern is read back
    {"qf70", {1, 1, 128, 4, 4}, 2, 1, 1},       // re-plugged
    {"qf70-nofw", {1, 1, 128, 4, 4}, 2, 2, 0},
    {"unsupported", {1, 1, 64, 4, 4}},
    {"qf90", {1, 2, 64, 4, 4}, 3, 1, 0},
};

std::vector<std::string> MakeDrives(const testing::TempDir& dir, const std::vector<Planned>& planned) {
    std::vector<std::string> images;
    std::string error;
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const Planned& p = planned[i];
        vdrive::DriveSetup setup = *vdrive::Preset(p.preset);
        setup.geometry = p.geometry;
        setup.plantings.factoryBad = p.bad, setup.plantings.weak = p.weak, setup.plantings.grownBad = p.grown;
        setup.plantings.seed = static_cast<std::uint32_t>(7 + i);
        if (p.usb2) setup.speed = vdrive::SpeedModel::Usb2;
        images.push_back(dir / ("drive" + std::to_string(i) + ".img"));
        auto drive = vdrive::VirtualDrive::Create(images.back(), setup, &error);
        EXPECT_TRUE(drive) << error;
        if (drive && p.removeAfter >= 0) {
            EXPECT_TRUE(drive->RemoveAfter(p.removeAfter, &error)) << error;
        }
    }
    return images;
}

struct StationRun {
    std::optional<platform::ChildEnd> end;
    std::string out;
};

// Runs mendora-station.exe with its table on a pipe and its temporary folder in `dir`;
// onLine sees each whole line it prints.
StationRun RunStation(const testing::TempDir& dir, std::vector<std::string> args, bool ownGroup,
                      const std::function<void(platform::ChildProcess&, const std::string&)>& onLine) {
    platform::ChildLaunch launch;
    launch.program = std::string(MENDORA_BIN_DIR) + "/mendora-station.exe";
    launch.arguments = std::move(args);
    // The station's temporary folder apart from the drives' own.
    const std::string temporary = dir / "temp";
    std::filesystem::create_directory(temporary);
    launch.environment = {"TMP=" + temporary, "TEMP=" + temporary, "MENDORA_VDRIVE=", "LANG=C",
                          "MENDORA_RECORDS=" + (dir / "records.db")};
    launch.output = platform::ChildOutput::Pipe;
    launch.errors = platform::ChildOutput::Pipe;
    launch.ownGroup = ownGroup;
    StationRun run;
    platform::ChildProcess station;
    std::string error, pending;
    if (!station.Start(launch, &error)) return run.out = error, run;
    const auto until = std::chrono::steady_clock::now() + 400s;
    bool open = true;
    while (open && std::chrono::steady_clock::now() < until) {
        platform::WaitForAny({&station}, 500ms);
        std::string bytes;
        open = station.ReadOutput(&bytes);
        std::erase(bytes, '\r');
        run.out += bytes, pending += bytes;
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            onLine(station, pending.substr(0, end));
    }
    run.end = station.Wait(60000ms);
    return run;
}

// The last table the station printed: its rows by drive name.
std::map<std::string, std::string> FinalRows(const std::string& out) {
    std::map<std::string, std::string> rows;
    const std::size_t header = out.rfind("DRIVE ");
    if (header == std::string::npos) return rows;
    std::istringstream lines(out.substr(header));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.size() > 2 && line[1] == ':') rows[line.substr(0, 2)] = line;
    return rows;
}

nlohmann::json ReadReport(const std::string& path) {
    return nlohmann::json::parse(testing::ReadText(path), nullptr, false);
}

// The station's folder, when it was left behind, with what is still in it.
std::string HomeLeftBehind(const testing::TempDir& dir) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "temp", ignored)) {
        if (entry.path().filename().string().rfind("mendora-station-", 0) != 0) continue;
        std::string left = entry.path().string() + ":";
        for (const auto& inside : std::filesystem::directory_iterator(entry.path(), ignored))
            left += " " + inside.path().filename().string();
        return left;
    }
    return {};
}

TEST(WindowsStation, SixDrivesAtOnceEachWithItsVerdictTableAndReportAgreeing) {
    testing::TempDir dir;
    const std::vector<std::string> images = MakeDrives(dir, kDrives);
    std::vector<std::string> args = {"--yes", "--json", dir / "report.json", "--map", dir / "maps", "--interval",
                                     "0.5", "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    bool replugged = false;
    const StationRun run = RunStation(dir, args, false, [&](platform::ChildProcess&, const std::string& line) {
        if (replugged || line.rfind("F:", 0) != 0 || line.find("re-plug now") == std::string::npos) return;
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(images[2], &error);
        EXPECT_TRUE(drive && drive->SetPlugged(false, &error)) << error;
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(drive && drive->SetPlugged(true, &error)) << error;
        replugged = true;
    });
    ASSERT_TRUE(run.end) << run.out;
    EXPECT_EQ(platform::DescribeEnd(*run.end), "exited 1") << run.out;
    EXPECT_TRUE(replugged) << run.out;
    const nlohmann::json reports = ReadReport(dir / "report.json");
    ASSERT_TRUE(reports.is_array() && reports.size() == kDrives.size()) << run.out;
    auto rows = FinalRows(run.out);

    const std::set<std::size_t> repaired = {0, 2, 3, 5};
    for (std::size_t i = 0; i < kDrives.size(); ++i) {
        const nlohmann::json& r = reports[i];
        const std::string name = std::string(1, char('D' + i)) + ":";
        SCOPED_TRACE(name + " " + kDrives[i].preset);
        EXPECT_EQ(r["drive"], name);
        ASSERT_TRUE(rows.count(name)) << run.out;
        // The table and the report agree on the bad blocks and the verdict.
        const std::string bad = std::to_string(r.value("bad_block_count", 0));
        EXPECT_NE(rows[name].find(" " + bad + "  " + r.value("verdict", "?")), std::string::npos) << rows[name];
        if (!repaired.count(i)) continue;
        EXPECT_EQ(r["verdict"], "repaired") << r.dump(2);
        EXPECT_EQ(r["library_error"], 0);
        EXPECT_EQ(r["bad_block_count"], kDrives[i].bad + kDrives[i].weak + kDrives[i].grown);
        EXPECT_TRUE(std::filesystem::exists(dir / ("maps/" + std::string(1, char('D' + i)) + ".png")));
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(images[i], &error);
        auto info = drive ? drive->Info(&error) : std::nullopt;
        ASSERT_TRUE(info) << error;
        EXPECT_TRUE(info->diskReady);
    }
    EXPECT_TRUE(reports[2]["phase_seconds"].contains("re-plug now"));
    EXPECT_FALSE(reports[3]["phase_seconds"].contains("re-plug now"));
    EXPECT_EQ(reports[1]["verdict"], "failed");
    EXPECT_EQ(reports[1]["status"], "Flash Error");
    EXPECT_EQ(reports[4]["verdict"], "refused");
    EXPECT_EQ(reports[4]["reason"], "The Recovery Utility do not support this device.");
    EXPECT_EQ(HomeLeftBehind(dir), "");

    // Every drive left one record in the station's database.
    const StationRun stats = RunStation(dir, {"stats", "--json"}, false, [](platform::ChildProcess&, const std::string&) {});
    const nlohmann::json numbers = nlohmann::json::parse(stats.out, nullptr, false);
    ASSERT_TRUE(numbers.is_object()) << stats.out;
    EXPECT_EQ(numbers["drives"], kDrives.size());
    EXPECT_EQ(numbers["repaired"], repaired.size());
    for (const auto& r : reports) EXPECT_EQ(r.value("run_id", "").size(), 36u) << r.dump(2);
}

// Ctrl-C reaches the station through its console control handler: every worker stops at
// its next block, the reports are written and the station's folder removed.
TEST(WindowsStation, CtrlCStopsEveryDriveAndWritesTheReports) {
    // A console of the test's own, which the station shares: a program wine starts from a
    // pipe has one that takes no control events.
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    testing::TempDir dir;
    const std::vector<std::string> images =
        MakeDrives(dir, {{"qf90", {1, 1, 256, 8, 4}, 1, 1, 0, -1, true}, {"qf70-nofw", {1, 1, 256, 8, 4}, 1, 1, 0, -1, true}});
    std::vector<std::string> args = {"--yes", "--json", dir / "report.json", "--interval", "0.2", "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    bool sent = false;
    const StationRun run = RunStation(dir, args, true, [&](platform::ChildProcess& station, const std::string& line) {
        if (sent || line.rfind("D:", 0) != 0 || line.find("pattern write") == std::string::npos) return;
        // Ctrl-C to the station's console group, as the console window sends it. Wine delivers
        // Ctrl-C to one group (Windows itself only Ctrl-Break, which wine turns into the end
        // of a thread).
        sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, station.Id()) != 0;
        EXPECT_TRUE(sent) << GetLastError();
    });
    ASSERT_TRUE(sent) << run.out;
    ASSERT_TRUE(run.end) << run.out;
    EXPECT_EQ(platform::DescribeEnd(*run.end), "exited 1") << run.out;
    EXPECT_NE(run.out.find("failed or interrupted"), std::string::npos) << run.out;
    const nlohmann::json reports = ReadReport(dir / "report.json");
    ASSERT_TRUE(reports.is_array() && reports.size() == 2) << run.out;
    for (const auto& r : reports) EXPECT_EQ(r["verdict"], "interrupted") << r.dump(2);
    EXPECT_EQ(HomeLeftBehind(dir), "");
}

}  // namespace
}  // namespace mendora
