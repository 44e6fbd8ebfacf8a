// The built station with its window, in the desktop host offscreen: the host presses Start
// once (MENDORA_ASSUME_YES), a drive plugged in later starts by itself (--auto-start), the
// reports are written whenever every drive has stopped, and a termination request ends it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using Clock = std::chrono::steady_clock;

pid_t StartStation(const testing::TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), "mendora-station");
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir.Path(), "PATH=/usr/bin:/bin", "LANG=C",
                                    "QT_QPA_PLATFORM=offscreen", "MENDORA_UI=qt", "MENDORA_ASSUME_YES=1",
                                    "MENDORA_RECORDS=" + (dir / "records.db")};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr), envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = dir / "station.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string program = std::string(MENDORA_BIN_DIR) + "/mendora-station";
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// The report once it holds `count` drives; null after a minute.
nlohmann::json ReportOf(const std::string& path, std::size_t count) {
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < until) {
        std::ifstream file(path);
        nlohmann::json report = nlohmann::json::parse(file, nullptr, false);
        if (report.is_array() && report.size() == count) return report;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return nullptr;
}

std::string Log(const testing::TempDir& dir) {
    std::ifstream file(dir / "station.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(StationWindowEndToEnd, StartThenADriveArrivingWithAutoStartThenATerminationRequest) {
    testing::TempDir dir;
    ::chmod(dir.Path().c_str(), 0700);
    std::string error;
    std::vector<std::string> images;
    for (const char* preset : {"qf90", "unsupported", "qf90"}) {
        vdrive::DriveSetup setup = *vdrive::Preset(preset);
        setup.geometry = {1, 1, 64, 4, 4};
        setup.plantings.factoryBad = 1;
        images.push_back(dir / ("drive" + std::to_string(images.size()) + ".img"));
        auto drive = vdrive::VirtualDrive::Create(images.back(), setup, &error);
        ASSERT_TRUE(drive) << error;
    }
    // The third drive is not plugged in yet: it has no tile until it arrives.
    auto late = vdrive::VirtualDrive::Open(images[2], &error);
    ASSERT_TRUE(late && late->SetPlugged(false, &error)) << error;

    const std::string reportPath = dir / "report.json";
    const pid_t station = StartStation(dir, {"--window", "--auto-start", "--json", reportPath, "--map", dir / "maps",
                                             "--vdrive", images[0], images[1], images[2]});
    ASSERT_GT(station, 0);
    nlohmann::json first = ReportOf(reportPath, 2);
    ASSERT_TRUE(first.is_array()) << Log(dir);
    EXPECT_EQ(first[0]["verdict"], "repaired");
    EXPECT_EQ(first[1]["verdict"], "refused");

    ASSERT_TRUE(late->SetPlugged(true, &error)) << error;
    nlohmann::json second = ReportOf(reportPath, 3);
    ASSERT_TRUE(second.is_array()) << Log(dir);
    EXPECT_EQ(second[2]["drive"], "F:");
    EXPECT_EQ(second[2]["verdict"], "repaired");
    EXPECT_TRUE(std::filesystem::exists(dir / "maps/F.png"));
    // Each drive's record is kept once, when it has stopped: the first drives keep theirs.
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(second[i].value("run_id", "").size(), 36u) << second[i].dump(2);
    EXPECT_EQ(second[0]["run_id"], first[0]["run_id"]);

    ::kill(station, SIGTERM);
    int status = 0;
    ::waitpid(station, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << Log(dir);
    EXPECT_EQ(WEXITSTATUS(status), 1) << Log(dir);  // the refused drive
    EXPECT_NE(Log(dir).find("2 repaired, 1 refused, 0 failed or interrupted"), std::string::npos) << Log(dir);
}

}  // namespace
}  // namespace mendora
