#include "tools/station/WorkerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace mendora::station {

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& o : overrides) replaced = replaced || o.substr(0, o.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

WorkerProcess::~WorkerProcess() {
    if (pid_ > 0) {
        Signal(SIGKILL);
        Wait();
    }
    if (fd_ >= 0) ::close(fd_);
}

bool WorkerProcess::Start(const std::string& executable, const std::vector<std::string>& args,
                          const std::vector<std::string>& env, const std::string& logFile, std::string* error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return *error = std::strerror(errno), false;
    std::vector<std::string> argText = {executable};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<std::string> envText = Environment(env);
    auto argv = Pointers(argText);
    auto envp = Pointers(envText);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int spawned = ::posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        pid_ = -1;
        return *error = "cannot start a worker: " + std::string(std::strerror(spawned)), false;
    }
    fd_ = pipeFds[0];
    return true;
}

bool WorkerProcess::Read() {
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            lines_.Add(buffer, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && errno == EAGAIN;
    }
}

void WorkerProcess::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

int WorkerProcess::Wait() {
    int status = 0;
    while (pid_ > 0 && ::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}

std::string DescribeEnd(int status) {
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exited " + std::to_string(WEXITSTATUS(status));
}

}  // namespace mendora::station
