// The built station's ways of ending a drive early: Ctrl-C, a worker that stops answering
// and a re-plug that never comes. Each run takes a few seconds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

struct StoppedRun {
    int status = -1;
    std::string out;
    nlohmann::json reports;
};

// Runs the station on the images, its table on a pipe; onLine sees every line it prints.
StoppedRun RunStopped(const testing::TempDir& dir, std::vector<std::string> args, const std::vector<std::string>& images,
                      const std::function<void(pid_t, const std::string&)>& onLine,
                      const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), {"--yes", "--json", dir / "report.json", "--interval", "0.2"});
    args.push_back("--vdrive");
    args.insert(args.end(), images.begin(), images.end());
    auto output = testing::RunStationProcess(dir, args, onLine, env);
    std::ifstream file(dir / "report.json");
    return {output.status, std::move(output.out), nlohmann::json::parse(file, nullptr, false)};
}

// The station's workers: its child processes.
std::vector<pid_t> Workers(pid_t station) {
    std::ifstream file("/proc/" + std::to_string(station) + "/task/" + std::to_string(station) + "/children");
    std::vector<pid_t> pids;
    for (pid_t pid = 0; file >> pid;) pids.push_back(pid);
    return pids;
}

// The image a worker repairs, from its environment.
std::string ImageOf(pid_t worker) {
    std::ifstream file("/proc/" + std::to_string(worker) + "/environ");
    std::string entry;
    while (std::getline(file, entry, '\0'))
        if (entry.rfind("MENDORA_VDRIVE=", 0) == 0) return entry.substr(15);
    return {};
}

// A drive whose revert takes several seconds at USB 2.0 speed, or a small quick one.
std::string MakeDrive(const testing::TempDir& dir, const std::string& name, const std::string& preset, bool slow) {
    vdrive::DriveSetup setup = *vdrive::Preset(preset);
    setup.geometry = slow ? vdrive::Geometry{1, 1, 256, 16, 4} : vdrive::Geometry{1, 1, 64, 4, 4};
    setup.plantings.factoryBad = 1;
    if (slow) setup.speed = vdrive::SpeedModel::Usb2;
    std::string error;
    EXPECT_TRUE(vdrive::VirtualDrive::Create(dir / name, setup, &error)) << error;
    return std::filesystem::absolute(dir / name).string();
}

class StationStops : public ::testing::Test {
protected:
    void SetUp() override { ::chmod(dir.Path().c_str(), 0700); }
    testing::TempDir dir;
};

TEST_F(StationStops, CtrlCStopsEveryWorkerWhereItIsAndReportsIt) {
    std::vector<std::string> images = {MakeDrive(dir, "a.img", "qf90", true), MakeDrive(dir, "b.img", "qf70-nofw", true)};
    std::vector<pid_t> workers;
    bool sent = false;
    StoppedRun run = RunStopped(dir, {}, images, [&](pid_t station, const std::string& line) {
        // Once both reverts are writing, as a terminal's Ctrl-C reaches the station.
        if (sent || line.find("pattern write") == std::string::npos) return;
        workers = Workers(station);
        ::kill(station, SIGINT);
        sent = true;
    });
    ASSERT_TRUE(sent) << run.out;
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(workers.size(), 2u);
    // The station waited for every worker before it ended.
    for (pid_t w : workers) EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(w))) << w;
    ASSERT_TRUE(run.reports.is_array()) << run.out;
    ASSERT_EQ(run.reports.size(), 2u);
    for (const auto& r : run.reports) {
        SCOPED_TRACE(r.dump());
        EXPECT_EQ(r["verdict"], "interrupted");
        ASSERT_TRUE(r.contains("block_reached"));
        EXPECT_NE(r["status"], "Finish");  // the revert stopped short of its end
        EXPECT_FALSE(r["phase_seconds"].contains("library"));
        EXPECT_NE(run.out.find(r["drive"].get<std::string>()), std::string::npos);
    }
    EXPECT_NE(run.out.find("0 repaired, 0 refused, 2 failed or interrupted"), std::string::npos) << run.out;
}

// A closed terminal or a termination request sent to the station alone: it does not die
// mid-run but hands the stop on, writes every report and removes its private directory.
TEST_F(StationStops, HangUpAndTerminationStopCleanlyAndWriteTheReports) {
    for (int signal : {SIGHUP, SIGTERM}) {
        SCOPED_TRACE(signal);
        std::vector<std::string> images = {MakeDrive(dir, "a" + std::to_string(signal) + ".img", "qf90", true)};
        bool sent = false;
        StoppedRun run = RunStopped(dir, {}, images, [&](pid_t station, const std::string& line) {
            if (sent || line.find("pattern write") == std::string::npos) return;
            ::kill(station, signal);
            sent = true;
        });
        ASSERT_TRUE(sent) << run.out;
        EXPECT_EQ(run.status, 1) << run.out;
        ASSERT_TRUE(run.reports.is_array()) << run.out;
        ASSERT_EQ(run.reports.size(), 1u);
        EXPECT_EQ(run.reports[0]["verdict"], "interrupted") << run.reports[0].dump();
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().filename().string().rfind("mendora-station-", 0), std::string::npos) << entry.path();
    }
}

// The block of the last addressed flash command a drive carried, from its trace: "chip C
// block B".
std::string LastCarriedBlock(const std::string& trace, std::uint32_t sectorsPerBlock) {
    std::ifstream in(trace);
    std::string line, last;
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text.substr(0, text.find('|')));
        std::vector<unsigned> cdb;
        for (std::string w; words >> w;) cdb.push_back(static_cast<unsigned>(std::stoul(w, nullptr, 16)));
        const bool addressed = cdb.size() == 13 && (cdb[0] == 0xF5 || cdb[0] == 0xF6 || cdb[0] == 0xF8 ||
                                                    cdb[0] == 0xF9 || cdb[0] == 0xFE);
        if (!addressed || text.find("| ok") == std::string::npos) continue;
        const unsigned sector = cdb[2] << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5];
        last = "chip " + std::to_string(__builtin_ctz(cdb[12]) / 2) + " block " + std::to_string(sector / sectorsPerBlock);
    }
    return last;
}

// A drive pulled out during the erase pass, which goes on over the failing commands: the
// table and the report say it failed and in which phase, and name the block the drive got
// to, not the one the pass got to.
TEST_F(StationStops, APulledDriveFailsInItsPhaseAtTheBlockItReached) {
    const std::string image = MakeDrive(dir, "a.img", "qf90", false);
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Open(image, &error)->RemoveAfter(60, &error)) << error;
    StoppedRun run = RunStopped(dir, {}, {image}, [](pid_t, const std::string&) {},
                                {"MENDORA_VDRIVE_TRACE=" + (dir / "trace.log")});
    ASSERT_TRUE(run.reports.is_array() && run.reports.size() == 1u) << run.out;
    const nlohmann::json& r = run.reports[0];
    ASSERT_EQ(r["verdict"], "failed") << r.dump();
    const std::string reached = "chip " + std::to_string(r["block_reached"].value("chip", -1)) + " block " +
                                std::to_string(r["block_reached"].value("block", -1));
    EXPECT_EQ(reached, LastCarriedBlock(dir / "trace.log", 16));
    EXPECT_NE(reached, "chip 0 block 63");  // where the erase pass ended
    const std::string table = run.out.substr(run.out.rfind("DRIVE"));
    EXPECT_NE(table.find("failed in " + r["phase"].get<std::string>()), std::string::npos) << table;
    EXPECT_EQ(table.find("100%"), std::string::npos) << table;
    EXPECT_NE(table.find("(at " + reached + ")"), std::string::npos) << table;
}

// The private directories under the test's root.
std::vector<std::string> Homes(const testing::TempDir& dir) {
    std::vector<std::string> homes;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path().filename().string().rfind("mendora-station-", 0) == 0) homes.push_back(entry.path());
    return homes;
}

// A station killed outright leaves its directory; the next run removes it once its
// workers have noticed and ended.
TEST_F(StationStops, AKilledStationsDirectoryGoesWithTheNextRun) {
    std::vector<pid_t> workers;
    StoppedRun killed = RunStopped(dir, {}, {MakeDrive(dir, "a.img", "qf90", true)}, [&](pid_t station, const std::string& line) {
        if (!workers.empty() || line.find("pattern write") == std::string::npos) return;
        workers = Workers(station);
        ::kill(station, SIGKILL);
    });
    ASSERT_FALSE(workers.empty()) << killed.out;
    for (int i = 0; i < 300 && std::filesystem::exists("/proc/" + std::to_string(workers[0])); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(Homes(dir).size(), 1u);

    StoppedRun next = RunStopped(dir, {}, {MakeDrive(dir, "b.img", "qf90", false)}, [](pid_t, const std::string&) {});
    EXPECT_EQ(next.status, 0) << next.out;
    EXPECT_TRUE(Homes(dir).empty());
}

TEST_F(StationStops, AWorkerThatStopsAnsweringIsEndedAndTheOthersFinish) {
    std::vector<std::string> images = {MakeDrive(dir, "a.img", "qf90", false), MakeDrive(dir, "hung.img", "qf90", true),
                                       MakeDrive(dir, "c.img", "qf70-nofw", false)};
    pid_t stopped = 0;
    StoppedRun run = RunStopped(dir, {"--silence", "1"}, images, [&](pid_t station, const std::string&) {
        if (stopped != 0) return;
        for (pid_t w : Workers(station))
            if (ImageOf(w) == images[1] && ::kill(w, SIGSTOP) == 0) stopped = w;
    });
    ASSERT_NE(stopped, 0) << run.out;
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(stopped)));
    ASSERT_TRUE(run.reports.is_array() && run.reports.size() == 3u) << run.out;
    EXPECT_EQ(run.reports[0]["verdict"], "repaired") << run.reports[0].dump();
    EXPECT_EQ(run.reports[2]["verdict"], "repaired") << run.reports[2].dump();
    EXPECT_EQ(run.reports[1]["verdict"], "failed");
    EXPECT_EQ(run.reports[1]["reason"], "the worker stopped answering and was ended");
}

// mendora-vdrive replug pulls the drive out and plugs it back in at once: the worker sees
// both edges, however close, and goes on.
TEST_F(StationStops, ARePlugDoneAtOnceIsSeen) {
    const std::string image = MakeDrive(dir, "a.img", "qf70", false);
    bool replugged = false;
    StoppedRun run = RunStopped(dir, {"--replug-timeout", "20"}, {image}, [&](pid_t, const std::string& line) {
        if (replugged || line.find("re-plug now") == std::string::npos) return;
        std::string error;
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        replugged = drive && drive->SetPlugged(false, &error) && drive->SetPlugged(true, &error);
    });
    ASSERT_TRUE(replugged) << run.out;
    EXPECT_EQ(run.status, 0) << run.out;
    ASSERT_TRUE(run.reports.is_array() && run.reports.size() == 1u) << run.out;
    EXPECT_EQ(run.reports[0]["verdict"], "repaired") << run.reports[0].dump();
}

TEST_F(StationStops, ARePlugThatNeverComesFailsThatDriveAlone) {
    std::vector<std::string> images = {MakeDrive(dir, "a.img", "qf70", false), MakeDrive(dir, "b.img", "qf90", false)};
    StoppedRun run = RunStopped(dir, {"--replug-timeout", "1"}, images, [](pid_t, const std::string&) {});
    EXPECT_EQ(run.status, 1) << run.out;
    ASSERT_TRUE(run.reports.is_array() && run.reports.size() == 2u) << run.out;
    EXPECT_EQ(run.reports[0]["verdict"], "failed");
    EXPECT_EQ(run.reports[0]["reason"], "the drive was not re-plugged in time");
    EXPECT_TRUE(run.reports[0]["phase_seconds"].contains("re-plug now"));
    EXPECT_FALSE(run.reports[0].contains("library_error"));  // the library never ran on it
    EXPECT_EQ(run.reports[1]["verdict"], "repaired");
}

}  // namespace
}  // namespace mendora
