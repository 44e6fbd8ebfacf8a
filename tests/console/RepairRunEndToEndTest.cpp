// One whole repair the way a user runs it: the built executable in the terminal host on a
// virtual QF90 drive with planted faults and its format lost.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::WaitUntilNotRunning;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the launcher with stdin from /dev/null and stdout and stderr into outFile; the
// relocated copy inherits them. Answers the launcher's exit code.
int RunMendora(const std::vector<std::string>& environment, const std::string& outFile) {
    std::vector<std::string> env = environment;
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // Unprivileged runs take the test build, which may report a build past the rights gate.
    const std::string program = std::string(MENDORA_BIN_DIR) + (::geteuid() == 0 ? "/mendora" : "/mendora-testbuild");
    char* argv[] = {const_cast<char*>("mendora"), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The debug line that follows "Enter ReadNewFWVersion": the update firmware's path.
std::string UpdateFirmwarePath(const std::string& debugLines) {
    std::istringstream lines(debugLines);
    for (std::string line; std::getline(lines, line);)
        if (line == "Enter ReadNewFWVersion" && std::getline(lines, line)) return line;
    return {};
}

TEST(RepairEndToEnd, RepairsAVirtualQf90DriveWithPlantedFaults) {
    testing::TempDir root;
    ::chmod(root.Path().c_str(), 0700);
    const std::string image = root / "qf90.img";
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.plantings.factoryBad = 3;
    setup.plantings.weak = 2;
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;

    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + root.Path(), "MENDORA_UI=tty", "MENDORA_ASSUME_YES=1",
                                    "MENDORA_VDRIVE=" + image, "MENDORA_DEBUG=" + (root / "debug.log"),
                                    "PATH=/usr/bin:/bin", "LANG=C"};
    if (::geteuid() != 0) env.push_back("MENDORA_OS_BUILD=6000");
    ASSERT_EQ(RunMendora(env, root / "out.txt"), 0) << ReadText(root / "out.txt");
    ASSERT_TRUE(WaitUntilNotRunning(root / "UfdApp/Mendrix.exe"));

    const std::string out = ReadText(root / "out.txt");
    EXPECT_NE(out.find("[Mendora] All Data will be deleted. Continue ?"), std::string::npos) << out;
    EXPECT_NE(out.find("Status : "), std::string::npos) << out;
    EXPECT_NE(out.find("[Mendora] Repair complete, Please un-plug device"), std::string::npos) << out;
    const std::string debug = ReadText(root / "debug.log");
    for (const char* line : {"In GetInput, bflag=160", "Load 90FW OK", "Revert EraseAll OK", "Revert PatternRW OK",
                             "Revert  OK", "REVERT FINISHED", "ErrCode=0x0"})
        EXPECT_NE(debug.find(line), std::string::npos) << line << "\n" << debug;

    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    auto blocks = drive->Blocks(&error);
    ASSERT_TRUE(blocks) << error;
    int planted = 0;
    for (const vdrive::BlockStatus& b : *blocks) {
        if (b.kind == vdrive::format::BlockKind::Good) continue;
        ++planted;
        EXPECT_TRUE(b.marked) << "chip " << b.chip << " block " << b.block;
    }
    EXPECT_EQ(planted, 5);
    auto info = drive->Info(&error);
    ASSERT_TRUE(info) << error;
    EXPECT_TRUE(info->diskReady);
    EXPECT_GT(info->capacitySectors, 0u);
    const std::string update = ReadText(UpdateFirmwarePath(debug));
    ASSERT_GE(update.size(), 0xEFF8u);
    EXPECT_EQ(info->identity.firmwareVersion.value_or(""), update.substr(0xEFF2, 6));
}

}  // namespace
}  // namespace mendora
