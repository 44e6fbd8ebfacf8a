// Runs the built executable the way a user does, in a private temporary root.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/FileBytes.h"
#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

namespace fs = std::filesystem;
using testing::CountFiles;
using testing::ReadBytes;
using testing::WaitUntilNotRunning;

const std::string kMendora = std::string(MENDORA_BIN_DIR) + "/mendora";
const std::string kTestBuild = std::string(MENDORA_BIN_DIR) + "/mendora-testbuild";
constexpr uid_t kNobody = 65534;

struct ProcessResult {
    int exitCode;
    std::string err;
};

// Runs a program with a chosen environment, stdin from /dev/null, stderr captured; as
// another user when `user` is given (the caller is then root).
ProcessResult RunProgram(const std::string& program, const std::string& runtimeDir, const std::string& errFile,
                  const std::vector<std::string>& extraEnv = {}, std::optional<uid_t> user = {}) {
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtimeDir, "MENDORA_UI=tty",
                                    "MENDORA_ASSUME_YES=1", "PATH=/usr/bin:/bin", "LANG=C"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>("mendora"), nullptr};
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in, 0);
        ::dup2(err, 2);
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(*user) != 0 || ::setuid(*user) != 0)) _exit(126);
        ::execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    ::close(in);
    ::close(err);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(errFile)};
}

// Runs past the rights gate: the shipped program as root, else the test build reporting
// a build the gate does not guard.
ProcessResult RunMendora(const std::string& runtimeDir, const std::string& errFile,
                         std::vector<std::string> extraEnv = {}) {
    if (::geteuid() == 0) return RunProgram(kMendora, runtimeDir, errFile, extraEnv);
    extraEnv.push_back("MENDORA_OS_BUILD=6000");
    return RunProgram(kTestBuild, runtimeDir, errFile, extraEnv);
}

// An unprivileged user for the runtime directory: root hands it to nobody, so that the
// rights gate is met for real; anyone else is unprivileged already.
std::optional<uid_t> UnprivilegedUser(const testing::TempDir& runtime) {
    if (::geteuid() != 0) return std::nullopt;
    EXPECT_EQ(::chown(runtime.Path().c_str(), kNobody, kNobody), 0);
    return kNobody;
}

// Starts the executable stopped right after exec, so that its file is busy as while a
// dialog is open; killed with the object.
class StoppedProcess {
public:
    explicit StoppedProcess(const std::string& path) {
        pid_ = fork();
        if (pid_ == 0) {
            ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            execl(path.c_str(), path.c_str(), nullptr);
            _exit(127);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        stopped_ = WIFSTOPPED(status);
    }
    ~StoppedProcess() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    bool Stopped() const { return stopped_; }

private:
    pid_t pid_ = -1;
    bool stopped_ = false;
};

TEST(EndToEnd, RelocatesUnpacksAndRefusesASecondCopyWhileTheFirstRuns) {
    testing::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    std::string work = runtime / "UfdApp";

    // No drive here: "Device not found" ends it with 2, nothing done.
    ProcessResult first = RunMendora(runtime.Path(), runtime / "first.err");
    EXPECT_EQ(first.exitCode, 2) << first.err;
    ASSERT_TRUE(WaitUntilNotRunning(work + "/Mendrix.exe"));

    EXPECT_EQ(ReadBytes(work + "/Mendrix.exe"), ReadBytes(kMendora));
    EXPECT_EQ(ReadBytes(work + "/Device.ini"), "[Device]\r\nSelectDevice=QF70");
    std::string esp = ReadBytes(work + "/deft70.esp");
    EXPECT_EQ(std::count(esp.begin(), esp.end(), '\n'), 64);
    EXPECT_EQ(esp.rfind("QF70ESP\r\n", 0), 0u);
    for (const char* name : {"QDLL.dll", "BootCode.r", "RBootCode.r"}) {
        EXPECT_GT(fs::file_size(work + "/" + name), 0u) << name;
    }
    std::set<std::uintmax_t> sizes;
    EXPECT_EQ(CountFiles(work + "/Boot", &sizes), 109);
    EXPECT_EQ(sizes, (std::set<std::uintmax_t>{1052, 65536, 131072}));
    EXPECT_EQ(CountFiles(work + "/RevertBoot"), 15);
    EXPECT_EQ(fs::file_size(work + "/RevertBoot/default.ini"), 278u);
    for (const char* image : {"90/q90s.bin", "90/q90sa1.bin", "70/q70s.bin"}) {
        EXPECT_TRUE(fs::exists(work + "/RevertBoot/" + image)) << image;
    }
    EXPECT_EQ(first.err.find("[Fatal]"), std::string::npos) << first.err;

    std::string before = ReadBytes(work + "/Mendrix.exe");
    StoppedProcess running(work + "/Mendrix.exe");
    ASSERT_TRUE(running.Stopped());
    ProcessResult second = RunMendora(runtime.Path(), runtime / "second.err");
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(ReadBytes(work + "/Mendrix.exe"), before);
}

TEST(EndToEnd, UnprivilegedStartIsRefusedWithTheRightsMessage) {
    testing::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    const std::optional<uid_t> user = UnprivilegedUser(runtime);
    // The shipped program has no way around the gate, whatever the environment says.
    for (const char* build : {"MENDORA_UNRELATED=1", "MENDORA_OS_BUILD=6000"}) {
        ProcessResult run = RunProgram(kMendora, runtime.Path(), runtime / "gate.err", {build}, user);
        EXPECT_EQ(run.exitCode, 2) << build;
        EXPECT_NE(run.err.find("This program can only be executed with administrative privilege!"),
                  std::string::npos) << build << ": " << run.err;
        EXPECT_FALSE(fs::exists(runtime / "UfdApp")) << build;
    }
}

TEST(EndToEnd, OnlyTheTestBuildLetsAnUnprivilegedUserPastTheGate) {
    testing::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    ProcessResult run = RunProgram(kTestBuild, runtime.Path(), runtime / "gate.err", {"MENDORA_OS_BUILD=6000"},
                            UnprivilegedUser(runtime));
    EXPECT_EQ(run.exitCode, 2) << run.err;  // past the gate, then no drive
    EXPECT_EQ(run.err.find("administrative privilege"), std::string::npos) << run.err;
    EXPECT_TRUE(WaitUntilNotRunning(runtime / "UfdApp/Mendrix.exe"));
    EXPECT_EQ(ReadBytes(runtime / "UfdApp/Mendrix.exe"), ReadBytes(kTestBuild));
}

// The launcher ends as the repair did: 0 after "Repair complete", 1 after "Repair fail" (here
// a drive pulled out during the revert), so scripts and shells can tell.
TEST(EndToEnd, ARepairEndsZeroAndAFailedOneEndsOne) {
    testing::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    const std::string image = runtime / "drive.img";
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.plantings.factoryBad = 2;
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;

    ProcessResult repaired = RunMendora(runtime.Path(), runtime / "repaired.err", {"MENDORA_VDRIVE=" + image});
    EXPECT_EQ(repaired.exitCode, 0) << repaired.err;
    EXPECT_NE(repaired.err.find("Repair complete, Please un-plug device"), std::string::npos) << repaired.err;

    {
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        ASSERT_TRUE(drive) << error;
        ASSERT_TRUE(drive->RemoveAfter(60, &error)) << error;
    }
    ProcessResult failed = RunMendora(runtime.Path(), runtime / "failed.err", {"MENDORA_VDRIVE=" + image});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_NE(failed.err.find("Repair fail"), std::string::npos) << failed.err;
}

}  // namespace
}  // namespace mendora
