#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/scsi/ScsiTransport.h"
#include "protocol/IdentifyReply.h"

namespace mendora::devlib {

// What the identification command and INQUIRY tell about a drive.
struct DriveIdentity {
    identify::Answer answer;
    std::string vendor;   // INQUIRY texts, trailing blanks removed
    std::string product;
};

// The commands the library sends to an opened drive. Each is false or empty when the
// command did not complete with GOOD status and every byte it should move.
class DriveCommands {
public:
    explicit DriveCommands(platform::ScsiTransport& drive) : drive_(drive) {}

    // Empty as well when the reply's geometry is one no controller has.
    std::optional<DriveIdentity> Identify();
    // The bad-block mark bitmap of one chip-enable: bit b%8 of byte b/8 for block b.
    std::optional<std::vector<std::uint8_t>> ScanMarks(std::uint8_t chip, std::uint32_t blocksPerChip);
    bool LowLevelFormat();
    // Sectors of the formatted disk (READ CAPACITY).
    std::optional<std::uint64_t> DiskSectors();
    bool WriteFirmware(std::span<const std::uint8_t> image);
    std::optional<std::vector<std::uint8_t>> ReadFirmware();

private:
    bool Carry(std::span<const std::uint8_t> cdb, platform::DataDirection direction, std::span<std::uint8_t> data,
               std::uint32_t timeoutSeconds);

    platform::ScsiTransport& drive_;
};

}  // namespace mendora::devlib
