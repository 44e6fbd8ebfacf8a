#pragma once
// Runs the built station the way a technician does, its table on a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/TempDir.h"

namespace mendora::testing {

struct StationOutput {
    int status = -1;  // the exit status; -1 when it did not start or ended by a signal
    std::string out;
};

// Runs mendora-station with `args` in a private root `dir`, stdout and stderr on one pipe;
// onLine sees every line it prints, with the station's process id.
inline StationOutput RunStationProcess(const TempDir& dir, std::vector<std::string> args,
                                       const std::function<void(pid_t, const std::string&)>& onLine,
                                       const std::vector<std::string>& extraEnv = {}) {
    args.insert(args.begin(), "mendora-station");
    // A sanitizer's report from the station or any worker lands beside the test's files,
    // where it fails the test, not in a worker log that goes with the station's directory.
    const std::string reports = dir / "sanitizer";
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir.Path(), "PATH=/usr/bin:/bin", "LANG=C",
                                    "ASAN_OPTIONS=log_path=" + reports, "UBSAN_OPTIONS=log_path=" + reports,
                                    "TSAN_OPTIONS=log_path=" + reports};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    // Records go beside the test's files unless the test names where.
    const bool recordsGiven = std::any_of(extraEnv.begin(), extraEnv.end(),
                                          [](const std::string& e) { return e.rfind("MENDORA_RECORDS=", 0) == 0; });
    if (!recordsGiven) env.push_back("MENDORA_RECORDS=" + (dir / "records.db"));
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr), envp.push_back(nullptr);
    StationOutput run;
    int fds[2];
    if (::pipe(fds) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    // Never a terminal to answer from: what the station would ask, it must not wait for.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const std::string program = std::string(MENDORA_BIN_DIR) + "/mendora-station";
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) return ::close(fds[0]), run;
    FILE* out = ::fdopen(fds[0], "r");
    char line[4096];
    while (std::fgets(line, sizeof line, out)) {
        run.out += line;
        onLine(pid, line);
    }
    std::fclose(out);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().rfind("sanitizer.", 0) != 0) continue;
        std::ifstream report(entry.path());
        ADD_FAILURE() << "a sanitizer reported in the station or a worker:\n" << report.rdbuf();
        std::filesystem::remove(entry.path());
    }
    return run;
}

}  // namespace mendora::testing
