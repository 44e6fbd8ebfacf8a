#include "platform/kernel/linux/DriveLockDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/linux/LinuxFileSystem.h"

namespace mendora::platform {
namespace {

constexpr const char* kSystemLockDirectory = "/run/lock/mendora";

// Empty when the directory is missing, cannot be made or is not root's private one.
std::string SystemLockDirectory() {
    ::mkdir(kSystemLockDirectory, 0755);
    if (!LinuxFileSystem().CheckPrivateDirectory(kSystemLockDirectory).empty()) return {};
    return std::string(kSystemLockDirectory) + "/";
}

}  // namespace

std::string DriveLockDirectory(TempRoot& tempRoot, std::string* why) {
    if (::geteuid() == 0) {
        std::string system = SystemLockDirectory();
        if (!system.empty()) return system;
    }
    return tempRoot.Directory(why);
}

}  // namespace mendora::platform
