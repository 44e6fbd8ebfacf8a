// The C entry points of the module: each finds its device object and hands over.
#pragma GCC visibility push(default)
#include "devlib/QdllApi.h"
#pragma GCC visibility pop

#include "devlib/DeviceTable.h"
#include "devlib/DeviceText.h"

using mendora::devlib::DeviceTable;
using mendora::devlib::LibraryDevice;
using mendora::devlib::MakerDrive;

namespace {

constexpr int kDone = 1;
constexpr int kFailed = 0;

LibraryDevice* Device(QdllHandle handle) { return DeviceTable::Instance().Find(handle); }

// Runs `answer` with the current drive of a device; kFailed when there is none.
template <typename Answer>
int WithDrive(QdllHandle handle, Answer answer) {
    LibraryDevice* device = Device(handle);
    if (device == nullptr) return kFailed;
    std::optional<MakerDrive> drive = device->Current();
    if (!drive) return kFailed;
    answer(*drive);
    return kDone;
}

}  // namespace

extern "C" {

QdllHandle QDLL_CreateCUSBDevice(void) { return DeviceTable::Instance().Create(); }

int QDLL_DeviceExist(QdllHandle device) {
    LibraryDevice* d = Device(device);
    return d != nullptr && d->CountDrives() > 0 ? 1 : 0;
}

int QDLL_GetNumberOfDrive(QdllHandle device) {
    LibraryDevice* d = Device(device);
    return d != nullptr ? d->CountDrives() : 0;
}

int QDLL_SetCurrentDriveNumber(QdllHandle device, int drive) {
    LibraryDevice* d = Device(device);
    return d != nullptr && d->SelectDrive(drive) ? kDone : kFailed;
}

int QDLL_GetDeviceString(QdllHandle device, char* text256) {
    if (text256 == nullptr) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) {
        mendora::devlib::CopyText(mendora::devlib::DescriptionOf(drive.identity), text256, 256);
    });
}

int QDLL_GetFwVersion(QdllHandle device, char* version32) {
    if (version32 == nullptr) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) {
        mendora::devlib::CopyText(mendora::devlib::FirmwareVersionOf(drive.identity), version32, 32);
    });
}

int QDLL_GetUpdateFWFile(QdllHandle device, char* path512, std::uint8_t selectionCode) {
    LibraryDevice* d = Device(device);
    if (d == nullptr || path512 == nullptr) return kFailed;
    std::string path = d->UpdateFirmwarePath(selectionCode);
    // A path cut short would name another file: refuse it instead.
    if (path.empty() || path.size() >= 512) return kFailed;
    mendora::devlib::CopyText(path, path512, 512);
    return kDone;
}

int QDLL_GetChipID(QdllHandle device, std::uint16_t* chipId, std::uint16_t* chipVersion) {
    if (chipId == nullptr || chipVersion == nullptr) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) {
        *chipId = drive.identity.answer.identity.chipId;
        *chipVersion = drive.identity.answer.identity.chipVersion;
    });
}

int QDLL_GetDriveLetter(QdllHandle device, int /*which: the current drive*/, char* letter) {
    if (letter == nullptr) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) { *letter = drive.name[0]; });
}

int QDLL_GetDeviceAttrib(QdllHandle device, std::uint8_t* flashId5, std::uint8_t* model, std::uint8_t* attribute,
                         std::uint8_t* zoneBank, std::uint8_t* chipCount) {
    if (!flashId5 || !model || !attribute || !zoneBank || !chipCount) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) {
        const auto& id = drive.identity.answer.identity;
        for (int i = 0; i < 5; ++i) flashId5[i] = id.flashId[i];
        *model = static_cast<std::uint8_t>(id.chipId);
        *attribute = id.attribute;
        *zoneBank = id.zoneBank;
        *chipCount = static_cast<std::uint8_t>(drive.identity.answer.geometry.chipEnables);
    });
}

int QDLL_GetFlashAttrib(QdllHandle device, std::uint16_t* maxSectors, std::uint16_t* maxLogSectors,
                        std::uint16_t* maxBlocks, std::uint16_t* maxZones, std::uint8_t* a1Version,
                        std::uint8_t* redundantSymbol) {
    if (!maxSectors || !maxLogSectors || !maxBlocks || !maxZones || !a1Version || !redundantSymbol) return kFailed;
    return WithDrive(device, [&](const MakerDrive& drive) {
        const auto& g = drive.identity.answer.geometry;
        const auto& id = drive.identity.answer.identity;
        *maxSectors = static_cast<std::uint16_t>(g.pagesPerBlock);
        *maxLogSectors = static_cast<std::uint16_t>(g.SectorsPerBlock());
        *maxBlocks = static_cast<std::uint16_t>(g.blocksPerZone);
        *maxZones = static_cast<std::uint16_t>(g.zones);
        *a1Version = id.a1Version;
        *redundantSymbol = static_cast<std::uint8_t>(id.redundantSymbol);
    });
}

int QDLL_GetCurrentProgress(QdllHandle device) {
    LibraryDevice* d = Device(device);
    return d != nullptr ? d->status().progress.load(std::memory_order_relaxed) : 0;
}

int QDLL_GetCurrentState(QdllHandle device) {
    LibraryDevice* d = Device(device);
    return d != nullptr ? d->status().state.load(std::memory_order_acquire) : 0;
}

int QDLL_RunRepairDevice(QdllHandle device, std::uint8_t flags) {
    LibraryDevice* d = Device(device);
    return d != nullptr && d->RunRepair(flags) ? kDone : kFailed;
}

// Blocks are counted one by one: the divisor is 1 once a repair has scanned the drive,
// and all three figures are 0 before.
int QDLL_GetBADBlockInfomation(QdllHandle device, std::uint32_t* bad, std::uint32_t* total, std::uint16_t* divisor) {
    LibraryDevice* d = Device(device);
    if (d == nullptr || bad == nullptr || total == nullptr || divisor == nullptr) return kFailed;
    *bad = d->status().badBlocks.load(std::memory_order_relaxed);
    *total = d->status().totalBlocks.load(std::memory_order_relaxed);
    *divisor = *total != 0 ? 1 : 0;
    return kDone;
}

std::uint32_t QDLL_GetErrorCode(QdllHandle device) {
    LibraryDevice* d = Device(device);
    return d != nullptr ? d->status().errorCode.load(std::memory_order_relaxed) : kQdllRepairFailed;
}

}  // extern "C"
