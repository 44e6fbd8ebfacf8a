#pragma once
#include <functional>
#include <string>

#include "platform/scsi/DiskHolders.h"

namespace mendora::platform {

// The calls that end a use, each answering 0 or an errno value.
struct DiskReleaseCalls {
    std::function<int(const std::string& mountPoint)> unmount;
    std::function<int(const std::string& swapArea)> swapOff;
};

// umount2 (never following a link, never lazily) and swapoff.
DiskReleaseCalls SystemDiskReleaseCalls();

// Mounts from <procRoot>/self/mountinfo, matched by the device numbers of the disk and its
// partitions (or by the source /dev/<name>, as btrfs reports another number); swap areas
// from <procRoot>/swaps; stacked devices from their holders/ directories under <sysRoot>.
class LinuxDiskHolders : public DiskHolders {
public:
    explicit LinuxDiskHolders(std::string procRoot = "/proc", std::string sysRoot = "/sys",
                              DiskReleaseCalls calls = SystemDiskReleaseCalls())
        : procRoot_(std::move(procRoot)), sysRoot_(std::move(sysRoot)), calls_(std::move(calls)) {}

    std::optional<DiskUse> FindUse(const std::string& disk, std::string* why) override;
    // Swaps off first (a swap file lives on a mount), then unmounts the latest mounts
    // first (they may sit on earlier ones), then reads the tables again: whatever is
    // still there (a mount made again meanwhile) is a failure too.
    std::unique_ptr<DiskRelease> Release(const std::string& disk) override;

private:
    std::string procRoot_;
    std::string sysRoot_;
    DiskReleaseCalls calls_;
};

}  // namespace mendora::platform
