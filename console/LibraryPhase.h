#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "console/DeviceLibrary.h"

namespace mendora {

// The bad-block figures the library gives once its repair has ended.
struct BadBlockFigures {
    std::uint32_t bad = 0;
    std::uint32_t total = 0;
    std::uint16_t divisor = 0;
};

// The library phase of a repair: the library's own repair of the drive it identified (scan
// of the marks, low-level format, firmware write), then what it tells of the outcome.
class LibraryPhase {
public:
    LibraryPhase(DeviceLibrary& library, QdllHandle device) : library_(library), device_(device) {}

    // The repair with the repair flags; returns once the library has ended it.
    void Run(std::uint8_t repairFlags) { library_.RunRepairDevice(device_, repairFlags); }
    BadBlockFigures BadBlocks();
    std::uint32_t ErrorCode() { return library_.GetErrorCode(device_); }
    // The version the drive's firmware reports now; empty when the library gives none.
    std::optional<std::string> FirmwareVersion();

private:
    DeviceLibrary& library_;
    const QdllHandle device_;
};

// Whether the library's error code says its repair failed.
inline bool LibraryRepairFailed(std::uint32_t errorCode) { return errorCode == kQdllRepairFailed; }

struct LibraryOutcome {
    std::uint32_t errorCode = kQdllRepairFailed;
    BadBlockFigures blocks;
    std::optional<std::string> firmwareAfter;

    bool Failed() const { return LibraryRepairFailed(errorCode); }
};

// The whole phase at once, for a caller that does not poll the library while it runs: the
// repair, the bad-block figures, the error code and the firmware version after it.
LibraryOutcome RunLibraryPhase(DeviceLibrary& library, QdllHandle device, std::uint8_t repairFlags);

}  // namespace mendora
