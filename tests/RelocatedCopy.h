#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

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

}  // namespace mendora::testing
