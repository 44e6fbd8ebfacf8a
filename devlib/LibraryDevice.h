#pragma once
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "devlib/MakerDrives.h"
#include "devlib/RepairStatus.h"
#include "platform/kernel/ProcessHost.h"

namespace mendora::devlib {

// One device object of the library: the drive it works on and the repair it runs. The
// queries that talk to the drive take turns (a repair holds the drive until it ends); the
// repair status is answered at once from any thread.
class LibraryDevice {
public:
    explicit LibraryDevice(platform::ProcessHost& process) : process_(process) {}

    int CountDrives();
    // Makes drive `number` of those found now the current one, remembered by its name.
    bool SelectDrive(int number);

    // The current drive (the first one found when none was selected), identified now;
    // empty when it does not answer.
    std::optional<MakerDrive> Current();
    // The update image for the current drive's controller; empty when there is no drive
    // or no image made for its controller.
    std::string UpdateFirmwarePath(std::uint8_t selectionCode);

    bool RunRepair(std::uint8_t flags);
    const RepairStatus& status() const { return status_; }

private:
    std::optional<MakerDrive> CurrentLocked();
    // The current drive's name; empty when none is selected and none is found.
    std::string CurrentName();

    platform::ProcessHost& process_;
    std::mutex drive_;
    std::string name_;
    RepairStatus status_;
};

}  // namespace mendora::devlib
