#pragma once
#include "platform/kernel/DriveLock.h"

namespace mendora::platform {

// Two named objects per key: "Global\mendora-<DriveLockName>" exists while some process
// holds the key, "Local\mendora-<DriveLockName>-<process id>" while this process does.
// Every holder keeps a handle to both, so the key stays held while any module of the
// process holds it, and Windows closes them when the process ends. Takes and releases
// are serialized across the process's modules by a mutex named after the process id.
class Win32DriveLocks : public DriveLocks {
public:
    std::unique_ptr<DriveLock> TryLock(const std::string& key, std::string* error) override;
};

}  // namespace mendora::platform
