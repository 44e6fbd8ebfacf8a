#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/scsi/DiskHolders.h"

namespace mendora::platform {

// Uses of disks as a test sets them. Release ends a disk's uses, unless the test gave
// failures to answer, and then they stay.
class FakeDiskHolders : public DiskHolders {
public:
    std::map<std::string, DiskUse> uses;       // by disk; a disk not listed is unknown
    std::vector<std::string> releaseFailures;  // what every Release answers
    std::vector<std::string> released;         // the disks Release was asked to free

    std::optional<DiskUse> FindUse(const std::string& disk, std::string* why) override {
        auto it = uses.find(disk);
        if (it != uses.end()) return it->second;
        if (why) *why = disk + ": no such disk";
        return std::nullopt;
    }

    std::unique_ptr<DiskRelease> Release(const std::string& disk) override {
        released.push_back(disk);
        auto release = std::make_unique<DiskRelease>();
        release->failures = releaseFailures;
        if (releaseFailures.empty() && uses.count(disk)) uses[disk] = DiskUse{};
        return release;
    }
};

}  // namespace mendora::platform
