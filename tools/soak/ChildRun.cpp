#include "tools/soak/ChildRun.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace mendora::soak {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Reaps every ended process of the group; false once none is left.
bool ReapGroup(pid_t group, ChildEnd& end) {
    for (;;) {
        int status = 0;
        const pid_t pid = ::waitpid(-group, &status, WNOHANG);
        if (pid == 0) return true;
        if (pid < 0) return errno == EINTR;
        if (WIFSIGNALED(status)) {
            if (end.signal == 0) end.signal = WTERMSIG(status);
        } else if (WIFEXITED(status)) {
            end.exitCode = WEXITSTATUS(status);
        }
    }
}

}  // namespace

bool AdoptOrphans() { return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }

ChildEnd RunChild(const ChildLaunch& launch) {
    ChildEnd end;
    if (launch.argv.empty()) return end;
    std::vector<std::string> argv = launch.argv, environment = launch.environment;
    auto args = Pointers(argv), envp = Pointers(environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, launch.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return end;

    // The group is the first process's id; it stays valid while any member lives.
    const pid_t group = pid;
    bool timedOut = false;
    while (ReapGroup(group, end)) {
        if (std::chrono::steady_clock::now() - started > launch.limit) {
            timedOut = true;
            ::kill(-group, SIGKILL);
            while (::waitpid(-group, nullptr, 0) > 0 || errno == EINTR) {
            }
            break;
        }
        if (launch.whileRunning) launch.whileRunning(group);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    end.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    end.kind = timedOut ? ChildEnd::Kind::TimedOut
               : end.signal != 0 ? ChildEnd::Kind::Signalled
                                 : ChildEnd::Kind::Exited;
    return end;
}

std::string Describe(const ChildEnd& end) {
    switch (end.kind) {
        case ChildEnd::Kind::Exited: return "exit " + std::to_string(end.exitCode);
        case ChildEnd::Kind::Signalled: return "signal " + std::to_string(end.signal);
        case ChildEnd::Kind::TimedOut: return "hung past " + std::to_string(end.took.count()) + " ms";
        case ChildEnd::Kind::NotStarted: return "not started";
    }
    return "?";
}

}  // namespace mendora::soak
