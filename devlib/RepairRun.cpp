#include "devlib/RepairRun.h"

#include <bit>

#include "devlib/FirmwareUpdate.h"

namespace mendora::devlib {

namespace {

// Progress at the end of each step.
constexpr int kOpened = 5;
constexpr int kScanned = 40;
constexpr int kFormatted = 55;
constexpr int kFirmwareLoaded = 60;
constexpr int kFirmwareWritten = 80;
constexpr int kFirmwareRead = 95;
constexpr int kDone = 100;

}  // namespace

bool RepairRun::Run(const platform::DriveIdentity& place, std::uint8_t flags) {
    std::string error;
    auto opened = drives_.Open(place, &error);
    if (!opened) return false;
    Advance(kOpened);
    DriveCommands drive(*opened->transport);
    const identify::Geometry& geometry = opened->identity.answer.geometry;
    if (!ScanMarks(drive, geometry) || !Format(drive, geometry)) return false;
    std::uint16_t chipId = opened->identity.answer.identity.chipId;
    if ((flags & kWriteFirmwareBit) && !UpdateFirmware(drive, chipId, flags & kSelectionCodeBits)) return false;
    Advance(kDone);
    return true;
}

bool RepairRun::ScanMarks(DriveCommands& drive, const identify::Geometry& g) {
    std::uint32_t bad = 0;
    for (std::uint32_t chip = 0; chip < g.chipEnables; ++chip) {
        auto bitmap = drive.ScanMarks(static_cast<std::uint8_t>(chip), g.BlocksPerChip());
        if (!bitmap) return false;
        for (std::uint8_t byte : *bitmap) bad += static_cast<std::uint32_t>(std::popcount(byte));
        Advance(kOpened + static_cast<int>((kScanned - kOpened) * (chip + 1) / g.chipEnables));
    }
    status_.badBlocks.store(bad, std::memory_order_relaxed);
    status_.totalBlocks.store(static_cast<std::uint32_t>(g.TotalBlocks()), std::memory_order_relaxed);
    return true;
}

bool RepairRun::Format(DriveCommands& drive, const identify::Geometry& g) {
    if (!drive.LowLevelFormat()) return false;
    // The disk must now be ready with at least the capacity of the good blocks. A counterfeit
    // stick's firmware announces more than it holds; finding that out is the certify's work.
    auto sectors = drive.DiskSectors();
    std::uint64_t good = g.TotalBlocks() - status_.badBlocks.load(std::memory_order_relaxed);
    if (!sectors || *sectors < good * g.SectorsPerBlock()) return false;
    Advance(kFormatted);
    return true;
}

bool RepairRun::UpdateFirmware(DriveCommands& drive, std::uint16_t chipId, std::uint8_t selectionCode) {
    auto image = LoadFirmwareImage(files_, UpdateFirmwarePath(process_, chipId, selectionCode));
    // Another controller's firmware would leave the drive unusable: never write it.
    if (!image || !IsMadeFor(*image, chipId)) return false;
    Advance(kFirmwareLoaded);
    if (!drive.WriteFirmware(*image)) return false;
    Advance(kFirmwareWritten);
    auto back = drive.ReadFirmware();
    if (!back || *back != *image) return false;
    Advance(kFirmwareRead);
    return true;
}

}  // namespace mendora::devlib
