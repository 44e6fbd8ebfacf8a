#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/scsi/DiskHolders.h"

namespace mendora::platform {

// A volume opened, locked and dismounted; unlocked (and mounted again at its next use) when
// destroyed.
class LockedVolume {
public:
    virtual ~LockedVolume() = default;
};

// The calls made of Windows' volumes, so that tests can stand in for them.
class VolumeCalls {
public:
    virtual ~VolumeCalls() = default;
    // Every volume's name ("\\?\Volume{...}\"); nullopt when they cannot be listed.
    virtual std::optional<std::vector<std::string>> Volumes() = 0;
    // The physical drive numbers of the volume's extents; nullopt when it has none to
    // tell (an optical drive without a medium, a volume no disk is under).
    virtual std::optional<std::vector<std::uint32_t>> DisksOf(const std::string& volume) = 0;
    // Where it is mounted: "E:\", "C:\mnt\stick\".
    virtual std::vector<std::string> PathsOf(const std::string& volume) = 0;
    // Opened for reading and writing, locked (refused while files are open on it) and
    // dismounted; null, with *error (GetLastError), when a step fails.
    virtual std::unique_ptr<LockedVolume> LockAndDismount(const std::string& volume, std::uint32_t* error) = 0;
};

// FindFirstVolumeW, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, GetVolumePathNamesForVolumeNameW,
// FSCTL_LOCK_VOLUME and FSCTL_DISMOUNT_VOLUME.
std::unique_ptr<VolumeCalls> SystemVolumeCalls();

// The volumes with an extent on the physical drive, each shown by its first mount path
// without the final '\' ("E:"), else by its volume name. Swap areas and stacked devices
// have no counterpart here: a volume in such use refuses its lock.
class Win32DiskHolders : public DiskHolders {
public:
    explicit Win32DiskHolders(std::unique_ptr<VolumeCalls> calls = SystemVolumeCalls()) : calls_(std::move(calls)) {}

    std::optional<DiskUse> FindUse(const std::string& disk, std::string* why) override;
    // Locks and dismounts every volume on the drive; the answer keeps them locked.
    std::unique_ptr<DiskRelease> Release(const std::string& disk) override;
    bool ReleasedBeforeUse() const override { return true; }

private:
    struct Volume {
        std::string name;
        std::string shown;
    };
    std::optional<std::vector<Volume>> VolumesOn(const std::string& disk, std::string* why);

    std::unique_ptr<VolumeCalls> calls_;
};

// "1", "PhysicalDrive1" or "\\.\PhysicalDrive1" (any case) -> 1; nullopt for anything else.
std::optional<std::uint32_t> PhysicalDriveNumber(const std::string& disk);

}  // namespace mendora::platform
