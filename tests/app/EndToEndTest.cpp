// Runs the built executable the way a user does, in a private temporary root.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/FileBytes.h"
#include "tests/RelocatedCopy.h"
#include "tests/TempDir.h"

namespace mendora {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WaitUntilNotRunning;

const std::string kMendora = std::string(MENDORA_BIN_DIR) + "/mendora";

struct ProcessResult {
    int exitCode;
    std::string err;
};

// Runs the executable with a chosen environment, stdin from /dev/null, stderr captured.
ProcessResult RunMendora(const std::string& runtimeDir, const std::string& errFile, bool passGate = true) {
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtimeDir, "MENDORA_UI=tty",
                                    "MENDORA_ASSUME_YES=1", "PATH=/usr/bin:/bin", "LANG=C"};
    // Unprivileged runs report a build past the rights gate; privileged ones pass it anyway.
    if (passGate && ::geteuid() != 0) env.push_back("MENDORA_OS_BUILD=6000");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char* argv[] = {const_cast<char*>("mendora"), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, kMendora.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(errFile)};
}

int CountFiles(const std::string& dir, std::set<std::uintmax_t>* sizes = nullptr) {
    int n = 0;
    for (auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        ++n;
        if (sizes) sizes->insert(entry.file_size());
    }
    return n;
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

    ProcessResult first = RunMendora(runtime.Path(), runtime / "first.err");
    EXPECT_EQ(first.exitCode, 0) << first.err;
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
    if (::geteuid() == 0) GTEST_SKIP() << "running as root passes the rights gate";
    testing::TempDir runtime;
    ::chmod(runtime.Path().c_str(), 0700);
    ProcessResult run = RunMendora(runtime.Path(), runtime / "gate.err", false);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("This program can only be executed with administrative privilege!"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(runtime / "UfdApp"));
}

}  // namespace
}  // namespace mendora
