#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "vdrive/SpeedModel.h"

// What a virtual drive is: the controller's identity and the flash geometry behind it.
namespace mendora::vdrive {

struct Identity {
    std::uint16_t chipId = 0x0090;
    std::uint8_t chipVersion = 0x01;
    std::uint8_t flashId[5] = {0x2C, 0xD7, 0x94, 0x3E, 0x84};
    std::uint8_t attribute = 0;             // bit 5: dual channel
    std::uint8_t zoneBank = 2;
    std::uint8_t a1Version = 0;
    std::uint16_t redundantSymbol = 8;
    std::optional<std::string> firmwareVersion;  // 6 characters at most; none: no firmware
    std::string inquiryVendor;               // 8 characters at most
    std::string inquiryProduct;              // 16 characters at most
};

struct Geometry {
    std::uint32_t chipEnables = 2;
    std::uint32_t zones = 4;
    std::uint32_t blocksPerZone = 1024;
    std::uint32_t pagesPerBlock = 128;
    std::uint32_t sectorsPerPage = 8;

    std::uint32_t BlocksPerChip() const { return zones * blocksPerZone; }
    std::uint32_t SectorsPerBlock() const { return pagesPerBlock * sectorsPerPage; }
    std::uint32_t PageBytes() const { return sectorsPerPage * 512; }
    std::uint64_t TotalBlocks() const { return std::uint64_t{chipEnables} * BlocksPerChip(); }
    std::uint64_t TotalPages() const { return TotalBlocks() * pagesPerBlock; }
};

// Blocks planted as faulty when an image is created, chosen from the seed.
struct Plantings {
    std::uint32_t factoryBad = 0;
    std::uint32_t grownBad = 0;
    std::uint32_t weak = 0;
    std::uint8_t weakBits = 3;
    std::uint32_t seed = 1;
};

struct DriveSetup {
    Identity identity;
    Geometry geometry;
    Plantings plantings;
    bool formatted = false;  // created ready as a disk over its good blocks
    SpeedModel speed = SpeedModel::None;
};

// Empty when the setup can be built as an image; otherwise what is wrong with it.
std::string CheckSetup(const DriveSetup& setup);

}  // namespace mendora::vdrive
