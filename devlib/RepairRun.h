#pragma once
#include <cstdint>
#include <string>

#include "devlib/DriveCommands.h"
#include "devlib/MakerDrives.h"
#include "devlib/RepairStatus.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/ProcessHost.h"

namespace mendora::devlib {

// Bits of the repair flags the library reads; bit 5 (forced update) and bit 6 (complete
// repair) change nothing here: every repair scans and formats the whole drive.
inline constexpr std::uint8_t kSelectionCodeBits = 0x1F;
inline constexpr std::uint8_t kWriteFirmwareBit = 0x80;

// The library phase of a repair on one drive: find it again by its identity (it may have
// been re-plugged since it was identified, and other drives plugged in or out), scan the bad-block marks the revert left, low-level format the
// good blocks and, when asked, write the update firmware made for the drive's controller
// and verify it by reading it back. Keeps `status` current from start to end.
class RepairRun {
public:
    RepairRun(MakerDrives& drives, platform::ProcessHost& process, platform::FileSystem& files, RepairStatus& status)
        : drives_(drives), process_(process), files_(files), status_(status) {}
    bool Run(const platform::DriveIdentity& place, std::uint8_t flags);

private:
    bool ScanMarks(DriveCommands& drive, const identify::Geometry& geometry);
    bool Format(DriveCommands& drive, const identify::Geometry& geometry);
    bool UpdateFirmware(DriveCommands& drive, std::uint16_t chipId, std::uint8_t selectionCode);
    void Advance(int percent) { status_.progress.store(percent, std::memory_order_relaxed); }

    MakerDrives& drives_;
    platform::ProcessHost& process_;
    platform::FileSystem& files_;
    RepairStatus& status_;
};

}  // namespace mendora::devlib
