#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mendora::platform {

// What the system itself uses a disk for.
struct DiskUse {
    std::vector<std::string> mountPoints;  // of the disk and its partitions (Windows: its volumes, "E:")
    std::vector<std::string> swapAreas;    // swap partitions on it, swap files on its mounts
    std::vector<std::string> holders;      // block devices stacked on it: device-mapper, RAID ("dm-0")
    bool InUse() const { return !mountPoints.empty() || !swapAreas.empty() || !holders.empty(); }
};

// The end of the system's use of a disk, kept for the run: on Windows its volumes stay
// locked and dismounted until this is destroyed.
class DiskRelease {
public:
    virtual ~DiskRelease() = default;
    // One text per use that could not be ended ("/mnt: Device or resource busy",
    // "E: is in use (files are open on it)"); empty when the disk is free.
    std::vector<std::string> failures;
};

// The system's uses of a disk, and their end when asked. disk: the block device's name on
// Linux ("sdb"), the physical drive's number on Windows ("1" or "PhysicalDrive1").
class DiskHolders {
public:
    virtual ~DiskHolders() = default;
    // nullopt, with *why, when the disk is unknown or its uses cannot be read.
    virtual std::optional<DiskUse> FindUse(const std::string& disk, std::string* why) = 0;
    // Linux: swaps off and unmounts everything FindUse reports (stacked devices are only
    // reported); Windows: locks and dismounts each volume.
    virtual std::unique_ptr<DiskRelease> Release(const std::string& disk) = 0;
    // Whether a disk is always released before use, without being asked: Windows locks and
    // dismounts a drive's volumes before the first command, and refuses one it cannot lock.
    virtual bool ReleasedBeforeUse() const { return false; }
};

std::unique_ptr<DiskHolders> NativeDiskHolders();

// "sdb is in use by the system: mounted at /mnt (use --unmount to unmount it first)".
std::string DiskInUseText(const std::string& disk, const DiskUse& use);
// "sdb could not be freed: /mnt: Device or resource busy; ...".
std::string DiskNotFreedText(const std::string& disk, const std::vector<std::string>& failures);

}  // namespace mendora::platform
