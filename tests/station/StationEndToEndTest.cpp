// Six virtual drives repaired at once by the built station: every kind it repairs, one
// pulled out during the pattern test and one it refuses; the QF70 with firmware re-plugged
// when its row asks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

struct Planned {
    std::string preset;
    vdrive::Geometry geometry;
    std::uint32_t bad = 0, weak = 0, grown = 0;
    std::int32_t removeAfter = -1;
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

struct StationRun {
    int status = -1;
    std::string out;
    bool replugged = false;
};

// Runs the station on the images with its table on a pipe; re-plugs `replug` when the
// drive's row says so.
StationRun RunStation(const testing::TempDir& dir, const std::vector<std::string>& images, const std::string& replug) {
    std::vector<std::string> args = {"--yes", "--json", dir / "report.json", "--map", dir / "maps", "--interval", "0.5",
                                     "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    StationRun run;
    auto output = testing::RunStationProcess(dir, args, [&](pid_t, const std::string& text) {
        if (run.replugged || text.rfind("F:", 0) != 0 || text.find("re-plug now") == std::string::npos) return;
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(replug, &error);
        EXPECT_TRUE(drive && drive->SetPlugged(false, &error)) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(drive && drive->SetPlugged(true, &error)) << error;
        run.replugged = true;
    });
    run.status = output.status;
    run.out = std::move(output.out);
    return run;
}

// The last table the station printed: its rows by drive name.
std::map<std::string, std::string> FinalRows(const std::string& out) {
    std::map<std::string, std::string> rows;
    std::istringstream lines(out.substr(out.rfind("DRIVE ")));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.size() > 2 && line[1] == ':') rows[line.substr(0, 2)] = line;
    return rows;
}

std::string ExpectedVerdict(const nlohmann::json& r) {
    const std::string verdict = r["verdict"];
    if (verdict == "repaired") return verdict;
    std::string at = r.contains("block_reached") ? "chip " + std::to_string(int(r["block_reached"]["chip"])) +
                                                       " block " + std::to_string(int(r["block_reached"]["block"]))
                                                 : "";
    if (verdict == "interrupted") return verdict + " at " + at;
    std::string text = verdict + ": " + std::string(r["reason"]);
    return verdict == "failed" && !at.empty() ? text + " (at " + at + ")" : text;
}

TEST(StationEndToEnd, SixDrivesAtOnceEachWithItsVerdictTableAndReportAgreeing) {
    testing::TempDir dir;
    ::chmod(dir.Path().c_str(), 0700);
    std::vector<std::string> images;
    std::string error;
    for (std::size_t i = 0; i < kDrives.size(); ++i) {
        const Planned& p = kDrives[i];
        vdrive::DriveSetup setup = *vdrive::Preset(p.preset);
        setup.geometry = p.geometry;
        setup.plantings.factoryBad = p.bad, setup.plantings.weak = p.weak, setup.plantings.grownBad = p.grown;
        setup.plantings.seed = static_cast<std::uint32_t>(7 + i);
        images.push_back(dir / ("drive" + std::to_string(i) + ".img"));
        auto drive = vdrive::VirtualDrive::Create(images.back(), setup, &error);
        ASSERT_TRUE(drive) << error;
        if (p.removeAfter >= 0) {
            ASSERT_TRUE(drive->RemoveAfter(p.removeAfter, &error)) << error;
        }
    }

    StationRun run = RunStation(dir, images, images[2]);
    ASSERT_EQ(run.status, 1) << run.out;
    EXPECT_TRUE(run.replugged) << run.out;
    std::ifstream file(dir / "report.json");
    nlohmann::json reports = nlohmann::json::parse(file, nullptr, false);
    ASSERT_TRUE(reports.is_array()) << run.out;
    ASSERT_EQ(reports.size(), kDrives.size());
    auto rows = FinalRows(run.out);

    for (std::size_t i = 0; i < kDrives.size(); ++i) {
        const nlohmann::json& r = reports[i];
        const std::string name = std::string(1, char('D' + i)) + ":";
        SCOPED_TRACE(name + " " + kDrives[i].preset);
        EXPECT_EQ(r["drive"], name);
        EXPECT_EQ(r["source"], std::filesystem::absolute(images[i]).string());
        // The table and the report agree on the verdict and the bad blocks.
        ASSERT_TRUE(rows.count(name)) << run.out;
        const std::size_t bad = r.value("bad_block_count", 0);
        EXPECT_TRUE(rows[name].ends_with(" " + std::to_string(bad) + "  " + ExpectedVerdict(r))) << rows[name];
    }

    const std::set<std::size_t> repaired = {0, 2, 3, 5};
    for (std::size_t i : repaired) {
        const nlohmann::json& r = reports[i];
        SCOPED_TRACE(images[i]);
        EXPECT_EQ(r["verdict"], "repaired") << r.dump(2);
        EXPECT_EQ(r["status"], "Finish");
        EXPECT_EQ(r["library_error"], 0);
        EXPECT_GT(r["bytes_written"].get<std::uint64_t>(), 0u);
        EXPECT_GT(r["bytes_read"].get<std::uint64_t>(), 0u);
        EXPECT_TRUE(r["phase_seconds"].contains("pattern write"));
        EXPECT_TRUE(std::filesystem::exists(dir / ("maps/" + std::string(1, char('D' + i)) + ".png")));
        // Every planted block is marked on the drive and listed with its reason.
        std::map<std::pair<int, int>, std::string> listed;
        for (const auto& b : r["bad_blocks"]) listed[{b["chip"], b["block"]}] = b["why"];
        auto drive = vdrive::VirtualDrive::Open(images[i], &error);
        ASSERT_TRUE(drive) << error;
        auto blocks = drive->Blocks(&error);
        ASSERT_TRUE(blocks) << error;
        std::size_t planted = 0;
        for (const auto& b : *blocks) {
            if (b.kind == vdrive::format::BlockKind::Good) continue;
            ++planted;
            EXPECT_TRUE(b.marked) << b.chip << ":" << b.block;
            const char* why = b.kind == vdrive::format::BlockKind::FactoryBad ? "factory mark" : "failed pattern";
            const std::pair<int, int> place(b.chip, b.block);
            EXPECT_EQ(listed[place], why) << b.chip << ":" << b.block;
        }
        EXPECT_EQ(planted, kDrives[i].bad + kDrives[i].weak + kDrives[i].grown);
        auto info = drive->Info(&error);
        ASSERT_TRUE(info) << error;
        EXPECT_TRUE(info->diskReady);
    }
    // The QF70 with firmware went through its re-plug before the library phase.
    EXPECT_TRUE(reports[2]["phase_seconds"].contains("re-plug now"));
    EXPECT_FALSE(reports[3]["phase_seconds"].contains("re-plug now"));
    EXPECT_TRUE(reports[2].contains("firmware_after"));

    const nlohmann::json& pulled = reports[1];
    EXPECT_EQ(pulled["verdict"], "failed");
    EXPECT_EQ(pulled["status"], "Flash Error");
    EXPECT_GT(pulled["block_reached"]["block"].get<int>(), 0);
    const nlohmann::json& refused = reports[4];
    EXPECT_EQ(refused["verdict"], "refused");
    EXPECT_EQ(refused["reason"], "The Recovery Utility do not support this device.");
    EXPECT_EQ(refused["chip_id"], 0x80);
}

TEST(StationEndToEnd, UsageAndNoDrive) {
    testing::TempDir dir;
    std::string command = std::string(MENDORA_BIN_DIR) + "/mendora-station";
    EXPECT_EQ(WEXITSTATUS(std::system((command + " --help >/dev/null").c_str())), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((command + " --bogus 2>/dev/null").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system(("MENDORA_VDRIVE= " + command + " --drive Q: 2>/dev/null").c_str())), 2);
}

}  // namespace
}  // namespace mendora
