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
    name_ = drives[static_cast<std::size_t>(number)].name;
    return true;
}

std::optional<MakerDrive> LibraryDevice::Current() {
    std::lock_guard lock(drive_);
    return CurrentLocked();
}

std::string LibraryDevice::CurrentName() {
    if (name_.empty()) {
        auto drives = MakerDrives().List();
        if (!drives.empty()) name_ = drives.front().name;
    }
    return name_;
}

std::optional<MakerDrive> LibraryDevice::CurrentLocked() {
    std::string name = CurrentName();
    if (name.empty()) return std::nullopt;
    auto opened = MakerDrives().Open(name);
    if (!opened) return std::nullopt;
    return MakerDrive{name, opened->identity};
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
    if (std::string name = CurrentName(); !name.empty()) {
        MakerDrives drives;
        repaired = RepairRun(drives, process_, status_).Run(name, flags);
    }
    status_.errorCode.store(repaired ? 0 : kQdllRepairFailed, std::memory_order_relaxed);
    // Released, so that whoever reads the end also reads the final progress and figures.
    status_.state.store(kRepairFinished, std::memory_order_release);
    return repaired;
}

}  // namespace mendora::devlib
