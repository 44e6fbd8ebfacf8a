// Children through posix_spawn, their output on a non-blocking pipe, followed with poll and
// waitpid.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/kernel/ChildProcess.h"

extern char** environ;

namespace mendora::platform {

struct ChildProcess::Host {
    pid_t pid = -1;
    bool ownGroup = false;
    bool leaderEnded = true;  // the child itself has been waited for
    int output = -1;          // the read end of its output pipe
    ChildEnd groupEnd;
    bool groupSignalled = false;
};

namespace {

std::string VariableName(const std::string& entry) { return entry.substr(0, entry.find('=')); }

std::vector<std::string> MergedEnvironment(const ChildLaunch& launch) {
    if (launch.wholeEnvironment) return launch.environment;
    std::vector<std::string> env;
    for (const std::string& entry : CurrentEnvironment()) {
        bool replaced = false;
        for (const auto& o : launch.environment) replaced = replaced || VariableName(o) == VariableName(entry);
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), launch.environment.begin(), launch.environment.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

ChildEnd EndOf(int status) {
    if (WIFSIGNALED(status)) return {true, WTERMSIG(status)};
    return {false, WEXITSTATUS(status)};
}

int SignalOf(StopKind kind) {
    switch (kind) {
        case StopKind::Interrupt: return SIGINT;
        case StopKind::Terminate: return SIGTERM;
        case StopKind::HangUp: return SIGHUP;
    }
    return SIGINT;
}

// Where a stream of the child goes.
void AddStream(posix_spawn_file_actions_t* actions, int fd, ChildOutput where, const std::string& file, int pipeEnd) {
    switch (where) {
        case ChildOutput::Inherit: break;
        case ChildOutput::Pipe: posix_spawn_file_actions_adddup2(actions, pipeEnd, fd); break;
        case ChildOutput::File:
            posix_spawn_file_actions_addopen(actions, fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            break;
        case ChildOutput::Append:
            posix_spawn_file_actions_addopen(actions, fd, file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            break;
        case ChildOutput::Null: posix_spawn_file_actions_addopen(actions, fd, "/dev/null", O_WRONLY, 0); break;
    }
}

template <typename Check>
std::optional<ChildEnd> WaitUntil(std::chrono::milliseconds limit, Check check) {
    const bool forever = limit == std::chrono::milliseconds::max();
    const auto until = forever ? std::chrono::steady_clock::time_point::max() : std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto end = check()) return end;
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

ChildProcess::ChildProcess() : host_(std::make_unique<Host>()) {}

ChildProcess::~ChildProcess() {
    if (Running() || host_->ownGroup) {
        Terminate();
        if (Running()) Wait(std::chrono::milliseconds::max());
        if (host_->ownGroup && host_->pid > 0) WaitGroup(std::chrono::milliseconds(1000));
    }
    if (host_->output >= 0) ::close(host_->output);
}

bool ChildProcess::Start(const ChildLaunch& launch, std::string* error) {
    int pipeFds[2] = {-1, -1};
    const bool piped = launch.output == ChildOutput::Pipe;
    if (piped && ::pipe2(pipeFds, O_CLOEXEC) != 0) return *error = std::strerror(errno), false;
    std::vector<std::string> argText = {launch.program};
    argText.insert(argText.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<std::string> envText = MergedEnvironment(launch);
    auto argv = Pointers(argText);
    auto envp = Pointers(envText);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    AddStream(&actions, 1, launch.output, launch.outputFile, pipeFds[1]);
    if (launch.errors == ChildOutput::Pipe) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    } else {
        AddStream(&actions, 2, launch.errors, launch.errorFile, -1);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (launch.ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, launch.program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (piped) ::close(pipeFds[1]);
    if (spawned != 0) {
        if (piped) ::close(pipeFds[0]);
        return *error = "cannot start " + launch.program + ": " + std::strerror(spawned), false;
    }
    if (piped) ::fcntl(pipeFds[0], F_SETFL, ::fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
    host_->pid = pid;
    host_->ownGroup = launch.ownGroup;
    host_->leaderEnded = false;
    host_->output = piped ? pipeFds[0] : -1;
    host_->groupEnd = {};
    host_->groupSignalled = false;
    return true;
}

bool ChildProcess::Running() const { return host_->pid > 0 && !host_->leaderEnded; }

std::uint32_t ChildProcess::Id() const { return host_->pid > 0 ? static_cast<std::uint32_t>(host_->pid) : 0; }

bool ChildProcess::ReadOutput(std::string* text) {
    if (host_->output < 0) return false;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(host_->output, buffer, sizeof buffer);
        if (n > 0) {
            text->append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        ::close(host_->output);
        host_->output = -1;
        return false;
    }
}

void ChildProcess::Stop(StopKind kind) {
    if (host_->pid > 0) ::kill(host_->ownGroup ? -host_->pid : host_->pid, SignalOf(kind));
}

void ChildProcess::Terminate() {
    if (host_->pid <= 0) return;
    if (host_->ownGroup) ::kill(-host_->pid, SIGKILL);
    if (!host_->leaderEnded) ::kill(host_->pid, SIGKILL);
}

std::optional<ChildEnd> ChildProcess::Wait(std::chrono::milliseconds limit) {
    if (!Running()) return std::nullopt;
    auto check = [&]() -> std::optional<ChildEnd> {
        int status = 0;
        const pid_t waited = ::waitpid(host_->pid, &status, limit == std::chrono::milliseconds::max() ? 0 : WNOHANG);
        if (waited != host_->pid) return std::nullopt;
        host_->leaderEnded = true;
        const ChildEnd end = EndOf(status);
        if (end.signalled && !host_->groupSignalled) host_->groupSignalled = true, host_->groupEnd = end;
        if (!host_->groupSignalled) host_->groupEnd = end;
        return end;
    };
    return WaitUntil(limit, check);
}

std::optional<ChildEnd> ChildProcess::WaitGroup(std::chrono::milliseconds limit) {
    if (host_->pid <= 0) return std::nullopt;
    if (!host_->ownGroup) return Running() ? Wait(limit) : std::optional<ChildEnd>(host_->groupEnd);
    // Reaps every ended process of the group; the end once none is left.
    auto check = [&]() -> std::optional<ChildEnd> {
        for (;;) {
            int status = 0;
            const pid_t pid = ::waitpid(-host_->pid, &status, WNOHANG);
            if (pid == 0) return std::nullopt;
            if (pid < 0) {
                if (errno == EINTR) continue;
                host_->leaderEnded = true;
                return host_->groupEnd;
            }
            if (pid == host_->pid) host_->leaderEnded = true;
            const ChildEnd end = EndOf(status);
            if (end.signalled) {
                if (!host_->groupSignalled) host_->groupSignalled = true, host_->groupEnd = end;
            } else if (!host_->groupSignalled) {
                host_->groupEnd = end;
            }
        }
    };
    return WaitUntil(limit, check);
}

void WaitForAny(const std::vector<ChildProcess*>& children, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<pollfd> fds;
        for (ChildProcess* child : children) {
            if (!child->Running()) continue;
            // A child without a pipe is looked at for its end alone.
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(child->Id()), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid != 0)
                return;
            if (int fd = child->host_->output; fd >= 0) fds.push_back({fd, POLLIN, 0});
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        const int step = static_cast<int>(std::min<long long>(left.count(), 20));
        if (::poll(fds.data(), fds.size(), step) > 0) return;
    }
}

std::vector<std::string> CurrentEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    return env;
}

std::string ProgramFileName(const std::string& name) { return name; }

bool FollowOrphans() { return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }

}  // namespace mendora::platform
