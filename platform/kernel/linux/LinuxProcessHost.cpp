#include "platform/kernel/linux/LinuxProcessHost.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace mendora::platform {

std::string LinuxProcessHost::ExecutablePath() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<std::size_t>(n));
}

// The program starts as a fresh one would: with no signal blocked and none ignored, even
// when this process holds its stop requests (blocked, or SIGPIPE ignored).
namespace {

std::optional<pid_t> StartFresh(const std::string& path) {
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) return false;
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, s);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const bool started = ::posix_spawn(&child, path.c_str(), nullptr, &attributes, argv, environ) == 0;
    ::posix_spawnattr_destroy(&attributes);
    if (!started) return std::nullopt;
    return child;
}

}  // namespace

bool LinuxProcessHost::Spawn(const std::string& path) { return StartFresh(path).has_value(); }

namespace {

std::atomic<pid_t> waitedFor{0};

void PassTerminationOn(int) {
    if (pid_t child = waitedFor.load(); child > 0) ::kill(child, SIGTERM);
}

// While the program runs, the terminal's Ctrl-C and hang-up reach it as well and are its to
// handle (it may finish a step on the drive first): this process ignores them, so that it
// ends with the program's status. A termination request sent to this process alone is
// passed on. Everything is put back afterwards.
class WaitingSignals {
public:
    explicit WaitingSignals(pid_t child) {
        waitedFor = child;
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGINT, &ignore, &interrupt_);
        ::sigaction(SIGHUP, &ignore, &hangUp_);
        struct sigaction pass {};
        pass.sa_handler = PassTerminationOn;
        pass.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &pass, &terminate_);
    }
    ~WaitingSignals() {
        ::sigaction(SIGINT, &interrupt_, nullptr);
        ::sigaction(SIGHUP, &hangUp_, nullptr);
        ::sigaction(SIGTERM, &terminate_, nullptr);
        waitedFor = 0;
    }
    WaitingSignals(const WaitingSignals&) = delete;
    WaitingSignals& operator=(const WaitingSignals&) = delete;

private:
    struct sigaction interrupt_ {}, hangUp_ {}, terminate_ {};
};

}  // namespace

std::optional<int> LinuxProcessHost::RunToEnd(const std::string& path) {
    const std::optional<pid_t> child = StartFresh(path);
    if (!child) return std::nullopt;
    WaitingSignals signals(*child);
    int status = 0;
    while (::waitpid(*child, &status, 0) < 0) {
        if (errno != EINTR) return 1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace mendora::platform
