#pragma once
#include <memory>
#include <string>

#include "platform/kernel/TempRoot.h"

namespace mendora::platform {

// Exclusive use of one drive, held until the object is destroyed or the process ends (a
// crash included).
class DriveLock {
public:
    virtual ~DriveLock() = default;
};

// Locks keyed by a drive's identity: any string, such as "usb 1-2.3 SERIAL" or an image's
// canonical path. A lock belongs to the whole process: every module of the process (the
// executable, the device library) may hold the same key at once, and another process is
// refused until the last holder lets go or the process ends.
class DriveLocks {
public:
    virtual ~DriveLocks() = default;
    // The held lock; null when another process holds the key (*error then ends with "in
    // use") or when the lock cannot be taken at all (*error says why).
    virtual std::unique_ptr<DriveLock> TryLock(const std::string& key, std::string* error) = 0;
};

// The refusal of a key another process holds.
inline std::string DriveInUseText(const std::string& key) { return key + " is in use"; }

// The host's drive locks. On Linux their files live in /run/lock/mendora for root, else in
// the user's private temporary directory.
std::unique_ptr<DriveLocks> NativeDriveLocks(TempRoot& tempRoot);
// The host's drive locks in the user's own temporary directory, one set for the module.
DriveLocks& ModuleDriveLocks();

}  // namespace mendora::platform
