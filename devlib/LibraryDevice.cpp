#include "devlib/LibraryDevice.h"

#include "devlib/QdllApi.h"
#include "devlib/FirmwareUpdate.h"
#include "devlib/RepairRun.h"

namespace mendora::devlib {

int LibraryDevice::CountDrives() {
    std::lock_guard lock(drive_);
    return static_cast<int>(MakerDrives().List().size());
}

bool LibraryDevice::SelectDrive(int number) {
    std::lock_guard lock(drive_);
    auto drives = MakerDrives().List();
    if (number < 0 || static_cast<std::size_t>(number) >= drives.size()) return false;
    place_ = drives[static_cast<std::size_t>(number)].place;
    return true;
}

std::optional<MakerDrive> LibraryDevice::Current() {
    std::lock_guard lock(drive_);
    return CurrentLocked();
}

std::optional<platform::DriveIdentity> LibraryDevice::CurrentPlace() {
    if (place_) return place_;
    auto drives = MakerDrives().List();
    if (drives.empty()) return std::nullopt;
    return drives.front().place;
}

std::optional<MakerDrive> LibraryDevice::CurrentLocked() {
    auto place = CurrentPlace();
    if (!place) return std::nullopt;
    MakerDrives drives;
    std::string error;
    auto entry = drives.Open(*place, &error);
    if (!entry) return std::nullopt;
    return MakerDrive{entry->name, entry->identity, entry->place};
}

std::string LibraryDevice::UpdateFirmwarePath(std::uint8_t selectionCode) {
    std::optional<MakerDrive> drive = Current();
    if (!drive) return {};
    return devlib::UpdateFirmwarePath(process_, drive->identity.answer.identity.chipId, selectionCode);
}

bool LibraryDevice::RunRepair(std::uint8_t flags) {
    std::lock_guard lock(drive_);
    status_.errorCode.store(kQdllRepairFailed, std::memory_order_relaxed);
    status_.badBlocks.store(0, std::memory_order_relaxed);
    status_.totalBlocks.store(0, std::memory_order_relaxed);
    status_.progress.store(0, std::memory_order_relaxed);
    status_.state.store(kRepairRunning, std::memory_order_relaxed);
    bool repaired = false;
    if (auto place = CurrentPlace()) {
        MakerDrives drives;
        repaired = RepairRun(drives, process_, files_, status_).Run(*place, flags);
    }
    status_.errorCode.store(repaired ? 0 : kQdllRepairFailed, std::memory_order_relaxed);
    // Released, so that whoever reads the end also reads the final progress and figures.
    status_.state.store(kRepairFinished, std::memory_order_release);
    return repaired;
}

}  // namespace mendora::devlib
