#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "devlib/MakerDrives.h"
#include "devlib/RepairStatus.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/ProcessHost.h"

namespace mendora::devlib {

// One device object of the library: the drive it works on and the repair it runs. The
// queries that talk to the drive take turns (a repair holds the drive until it ends); the
// repair status is answered at once from any thread.
class LibraryDevice {
public:
    LibraryDevice(platform::ProcessHost& process, platform::FileSystem& files) : process_(process), files_(files) {}

    int CountDrives();
    // Makes drive `number` of those found now the current one, remembered by its identity:
    // its port and serial, and its controller's answer.
    bool SelectDrive(int number);

    // The current drive (the first one found when none was selected), found again by its
    // identity wherever it sits now and identified; empty when it is gone, does not answer,
    // answers as another drive, or cannot be told from another drive at the same place.
    std::optional<MakerDrive> Current();
    // The update image for the current drive's controller; empty when there is no drive
    // or no image made for its controller.
    std::string UpdateFirmwarePath(std::uint8_t selectionCode);

    bool RunRepair(std::uint8_t flags);
    const RepairStatus& status() const { return status_; }

private:
    std::optional<MakerDrive> CurrentLocked();
    // The selected drive's identity; while none was selected, the first drive found now.
    std::optional<platform::DriveIdentity> CurrentPlace();

    platform::ProcessHost& process_;
    platform::FileSystem& files_;
    std::mutex drive_;
    std::optional<platform::DriveIdentity> place_;
    RepairStatus status_;
};

}  // namespace mendora::devlib
