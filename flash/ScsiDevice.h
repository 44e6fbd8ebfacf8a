#pragma once
#include <cstdint>

#include "flash/VendorRequest.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora {

// The vendor commands of the flash controller, each one stateless request over an opened
// drive. Every operation answers nonzero on success: the command was carried, whatever its
// SCSI status, except WriteRam, which also needs a GOOD status.
class ScsiDevice {
public:
    using Drive = platform::ScsiTransport;

    static int BeginRamLoad(Drive& drive);
    static int WriteRam(Drive& drive, std::uint16_t address, std::uint16_t length, const std::uint8_t* buffer);
    // Copies the bytes received (8 at most) into reply, only on success.
    static int ResetFlash(Drive& drive, std::uint8_t* reply, std::uint8_t mask, std::uint8_t command,
                          std::uint8_t mode);
    static int WriteFlashParameters(Drive& drive, const std::uint8_t* block512);
    static int SetInterleave(Drive& drive, std::uint8_t x, std::uint8_t y, std::uint8_t z);
    // Both zero the first four bytes of reply16 before sending.
    static int EraseBlock(Drive& drive, std::uint32_t sector, std::uint8_t* reply16, std::uint8_t mask);
    static int ReadSpare(Drive& drive, std::uint32_t sector, std::uint8_t* reply16, std::uint8_t mask);
    static int EraseBlockWithStatus(Drive& drive, std::uint32_t sector, std::uint8_t mask);
    static int WritePages(Drive& drive, std::uint32_t sector, std::uint32_t count, const std::uint8_t* buffer,
                          std::uint8_t mask, const std::uint8_t spare[4]);
    // With status nonzero, two status bytes land in buffer (byte 0: flipped bits).
    static int ReadPages(Drive& drive, std::uint32_t sector, std::uint32_t length, std::uint8_t* buffer,
                         std::uint8_t mask, std::uint8_t status);

    // Sends one request in the record and with the DataIn its command names; `data` is the
    // caller's buffer (direct) or the command's 512-byte data area (buffered).
    static platform::ScsiResult Send(Drive& drive, const VendorRequest& request, std::uint8_t* data);
};

}  // namespace mendora
