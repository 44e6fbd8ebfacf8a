#pragma once
// Runs the built executable the way a user does and reads what it wrote.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace mendora::testing {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts the launcher with stdin from /dev/null and stdout and stderr into outFile; the
// relocated copy inherits them. Answers its pid, -1 when it could not be started. The
// launcher ends when its copy does, with the copy's exit status (WaitForExit).
inline pid_t StartMendora(const std::vector<std::string>& environment, const std::string& outFile) {
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
    return spawned == 0 ? pid : -1;
}

// Waits for a started launcher to end; answers its exit code, -1 when it did not exit.
inline int WaitForExit(pid_t pid) {
    if (pid <= 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the launcher to its end (StartMendora, then WaitForExit).
inline int RunMendora(const std::vector<std::string>& environment, const std::string& outFile) {
    return WaitForExit(StartMendora(environment, outFile));
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Waits up to `seconds` for a file to hold a text.
inline bool WaitForText(const std::string& path, const std::string& text, int seconds = 120) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (Contains(ReadText(path), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace mendora::testing
