#pragma once
#include "platform/kernel/DriveLock.h"

namespace mendora::platform {

// A lock file per key ("<directory>/<DriveLockName>.lock", mode 0600, never removed) held
// by the process as ProcessLockFile describes. Each module keeps one descriptor per file.
class LinuxDriveLocks : public DriveLocks {
public:
    // The directory is chosen at each lock by DriveLockDirectory.
    explicit LinuxDriveLocks(TempRoot& tempRoot) : tempRoot_(&tempRoot) {}
    // A given directory, ending with '/' (tests).
    explicit LinuxDriveLocks(std::string directory) : directory_(std::move(directory)) {}

    std::unique_ptr<DriveLock> TryLock(const std::string& key, std::string* error) override;

private:
    TempRoot* tempRoot_ = nullptr;
    std::string directory_;
};

}  // namespace mendora::platform
