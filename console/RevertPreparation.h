#pragma once
#include <cstdint>
#include <string>

#include "flash/RevertRecords.h"

namespace mendora {

// What the device library tells about the attached drive, as the revert needs it.
struct LibraryAnswers {
    char driveLetter = 0;
    std::uint8_t chipId[5] = {};  // flash id bytes; byte 0 is the flash maker
    std::uint8_t model = 0;
    std::uint8_t attribute = 0;   // bit 5: dual channel
    std::uint8_t zoneBank = 0;
    std::uint8_t chipCount = 0;
    std::uint16_t maxSectors = 0;     // pages per block
    std::uint16_t maxLogSectors = 0;  // sectors per block
    std::uint16_t maxBlocks = 0;      // blocks per zone
    std::uint16_t maxZones = 0;
    std::uint8_t a1Version = 0;
    std::uint8_t redundantSymbol = 0;
};

// The two debugger lines that record the answers.
std::string DeviceAttribLine(const LibraryAnswers& answers);
std::string FlashAttribLine(const LibraryAnswers& answers);

// Fills the records the revert engine reads: the console's fixed options and the drive's
// geometry, with every status field cleared.
void PrepareRevertRecords(const LibraryAnswers& answers, FlashGeometry& geometry, RevertOptions& options);

}  // namespace mendora
