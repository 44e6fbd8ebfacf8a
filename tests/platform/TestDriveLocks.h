#pragma once
// The host's drive locks with their files in a test's directory (Windows names its objects
// machine-wide and needs none).
#include <memory>
#include <string>

#if defined(_WIN32)
#include "platform/kernel/win32/Win32DriveLocks.h"
#else
#include "platform/kernel/linux/LinuxDriveLocks.h"
#endif

namespace mendora::testing {

inline std::unique_ptr<platform::DriveLocks> DriveLocksIn(const std::string& directory) {
#if defined(_WIN32)
    (void)directory;
    return std::make_unique<platform::Win32DriveLocks>();
#else
    return std::make_unique<platform::LinuxDriveLocks>(directory + "/");
#endif
}

}  // namespace mendora::testing
