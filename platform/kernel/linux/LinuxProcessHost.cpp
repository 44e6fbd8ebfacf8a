#include "platform/kernel/linux/LinuxProcessHost.h"

#include <climits>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace mendora::platform {

std::string LinuxProcessHost::ExecutablePath() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<std::size_t>(n));
}

bool LinuxProcessHost::Spawn(const std::string& path) {
    pid_t child = 0;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    return ::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace mendora::platform
