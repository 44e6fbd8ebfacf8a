#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace mendora::testing {

// The relocated copy is not the test's child; its executable stays busy while it runs.
// Waits up to `seconds` for it to end; false when it did not, or the file cannot be opened.
inline bool WaitUntilNotRunning(const std::string& executable, int seconds = 120) {
    for (int i = 0; i < seconds * 10; ++i) {
        const int fd = ::open(executable.c_str(), O_WRONLY);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        if (errno != ETXTBSY && errno != ENOENT) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The processes whose program is `executable`, read from /proc.
inline std::vector<int> ProcessesRunning(const std::string& executable) {
    std::vector<int> pids;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (std::filesystem::read_symlink(entry.path() / "exe", ignored) == executable) pids.push_back(std::stoi(name));
    }
    return pids;
}

}  // namespace mendora::testing
