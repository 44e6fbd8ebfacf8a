#pragma once
#include <array>
#include <cstdint>

#include "platform/scsi/ScsiTransport.h"

namespace mendora {

// How a request reaches the pass-through: a buffered record whose own 512-byte data area
// carries the data, or a direct record that points at the caller's buffer.
using RequestPath = platform::RecordKind;

// Everything one vendor command puts into its pass-through record, as plain data.
struct VendorRequest {
    RequestPath path = RequestPath::Buffered;
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdbLength = 0;
    std::uint8_t dataIn = 0;  // 1: device to host
    std::uint32_t dataLength = 0;
    std::uint32_t timeoutSeconds = 200;
    std::uint8_t senseLength = 24;
    std::uint32_t outputLength = 80;  // record bytes the pass-through hands back

    platform::DataDirection Direction() const {
        if (dataLength == 0) return platform::DataDirection::None;
        return dataIn ? platform::DataDirection::In : platform::DataDirection::Out;
    }
    platform::RecordChoice Record() const { return {path, dataIn}; }
};

// The request of each vendor command. Sector addresses are in 512-byte units within one
// chip-enable; mask selects the chips (1, 4, 16, 64 each).
namespace vendor {
VendorRequest BeginRamLoad();
VendorRequest WriteRam(std::uint16_t address, std::uint16_t length);
VendorRequest ResetFlash(std::uint8_t mask, std::uint8_t command, std::uint8_t mode);
VendorRequest WriteFlashParameters();
VendorRequest SetInterleave(std::uint8_t x, std::uint8_t y, std::uint8_t z);
VendorRequest EraseBlock(std::uint32_t sector, std::uint8_t mask);
VendorRequest EraseBlockWithStatus(std::uint32_t sector, std::uint8_t mask);
VendorRequest ReadSpare(std::uint32_t sector, std::uint8_t mask);
VendorRequest WritePages(std::uint32_t sector, std::uint32_t count, std::uint8_t mask,
                         const std::uint8_t spare[4]);
VendorRequest ReadPages(std::uint32_t sector, std::uint32_t length, std::uint8_t mask, std::uint8_t status);
}  // namespace vendor

}  // namespace mendora
