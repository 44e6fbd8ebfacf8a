#include "platform/kernel/linux/DriveLockDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/kernel/linux/LinuxFileSystem.h"

namespace mendora::platform {

std::string DriveLockDirectory(TempRoot& tempRoot, std::string* why, const std::string& systemDirectory) {
    if (::geteuid() != 0) return tempRoot.Directory(why);
    if (::mkdir(systemDirectory.c_str(), 0755) != 0 && errno != EEXIST) return tempRoot.Directory(why);
    std::string problem = LinuxFileSystem().CheckPrivateDirectory(systemDirectory);
    if (!problem.empty()) {
        if (why) *why = systemDirectory + ": " + problem;
        return {};
    }
    return systemDirectory + "/";
}

}  // namespace mendora::platform
