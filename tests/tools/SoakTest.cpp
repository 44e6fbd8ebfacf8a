// The fault sweep's supervisor must see what a run leaves behind (a detached copy that
// crashes or hangs), and the sweep itself must keep passing on the real programs and
// count a program that claims success where it cannot have succeeded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "tests/TempDir.h"
#include "tools/soak/Supervisor.h"

namespace mendora::soak {
namespace {

using namespace std::chrono_literals;

RunLaunch Shell(const std::string& script, const std::string& output, std::chrono::milliseconds limit = 10s) {
    RunLaunch launch;
    launch.argv = {"/bin/sh", "-c", script};
    launch.environment = {"PATH=/usr/bin:/bin"};
    launch.outputFile = output;
    launch.limit = limit;
    return launch;
}

TEST(SoakSupervisor, FollowsWhatTheProgramLeavesBehind) {
    ASSERT_TRUE(platform::FollowOrphans());
    testing::TempDir dir;
    // The launcher exits at once; its detached copy's end is the run's end.
    RunEnd end = Supervise(Shell("(sleep 0.3; exit 3) & exit 0", dir / "out.txt"));
    EXPECT_EQ(end.kind, RunEnd::Kind::Exited);
    EXPECT_EQ(end.exitCode, 3);
    EXPECT_GE(end.took, 250ms);

    // A crash of the copy counts although the launcher exited normally.
    end = Supervise(Shell("sh -c 'sleep 0.2; kill -SEGV $$' & exit 0", dir / "out.txt"));
    EXPECT_EQ(end.kind, RunEnd::Kind::Signalled) << Describe(end);
    EXPECT_EQ(end.signal, SIGSEGV);

    // A copy that never ends is killed at the limit, with everything of its group.
    end = Supervise(Shell("sleep 30 & echo started; exit 0", dir / "out.txt", 500ms));
    EXPECT_EQ(end.kind, RunEnd::Kind::TimedOut);
    EXPECT_LT(end.took, 5s);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // Output goes to the file; a missing program is reported, not waited for.
    std::ifstream out(dir / "out.txt");
    std::string line;
    EXPECT_TRUE(std::getline(out, line) && line == "started");
    RunLaunch missing = Shell("", dir / "out.txt");
    missing.argv = {dir / "no-such-program"};
    EXPECT_EQ(Supervise(missing).kind, RunEnd::Kind::NotStarted);
}

std::string RunSoak(const std::string& arguments, int* status) {
    const std::string command = std::string(MENDORA_BIN_DIR) + "/mendora-soak " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    *status = WEXITSTATUS(::pclose(pipe));
    return output;
}

TEST(SoakSweep, EveryKindOfRunPassesOnTheRealPrograms) {
    int status = -1;
    // Five runs: removal in a revert at each test level, in a whole repair, and a stall;
    // then a station stopped by each of the three signals.
    EXPECT_EQ(RunSoak("5 3 --signal-runs 1", &status),
              "soak: 5 runs, 3 signal runs, 0 hangs, 0 crashes, 0 false successes, 0 failed reruns, 0 broken stops\n");
    EXPECT_EQ(status, 0);
}

TEST(SoakSweep, CountsAProgramThatClaimsSuccessOnAPulledDrive) {
    testing::TempDir dir;
    const std::string fake = dir / "mendora-revert";
    std::ofstream(fake) << "#!/bin/sh\necho 'Result : Finish'\nexit 0\n";
    ::chmod(fake.c_str(), 0755);
    int status = -1;
    EXPECT_EQ(RunSoak("3 1 --signal-runs 0 --bin-dir " + dir.Path(), &status),
              "soak: 3 runs, 0 signal runs, 0 hangs, 0 crashes, 3 false successes, 0 failed reruns, 0 broken stops\n");
    EXPECT_EQ(status, 1);
}

TEST(SoakSweep, CountsAStationThatLosesItsReportsWhenStopped) {
    testing::TempDir dir;
    const std::string fake = dir / "mendora-station";
    std::ofstream(fake) << "#!/bin/sh\ntrap '' INT TERM HUP\necho 'DRIVE PHASE'\nsleep 0.3\nexit 0\n";
    ::chmod(fake.c_str(), 0755);
    int status = -1;
    EXPECT_EQ(RunSoak("0 1 --signal-runs 1 --bin-dir " + dir.Path(), &status),
              "soak: 0 runs, 3 signal runs, 0 hangs, 0 crashes, 0 false successes, 0 failed reruns, 3 broken stops\n");
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace mendora::soak
