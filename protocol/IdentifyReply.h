#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The controller's identification command: CDB E7 49 44 00 00 00 00 00 00 00 (10 bytes,
// data in, 64 bytes), answered whether or not a revert image runs. Reply layout
// (little-endian):
//    0  "QFID"               18  redundant symbol (16)
//    4  layout version 1     20  zones (16)
//    5  chip version         22  blocks per zone (16)
//    6  chip id (16)         24  pages per block (16)
//    8  flash id, 5 bytes    26  sectors per page (16)
//   13  attribute            28  blocks per chip (32)
//   14  zone bank            32  firmware version, 6 characters, zero when none
//   15  chip-enables         38  zero up to byte 63
//   16  A1 version
//   17  1 when firmware is present
namespace mendora::identify {

inline constexpr std::uint8_t kOpcode = 0xE7;
inline constexpr std::size_t kReplySize = 64;
inline constexpr std::array<std::uint8_t, 10> kCdb = {kOpcode, 0x49, 0x44, 0, 0, 0, 0, 0, 0, 0};

// What the controller says it is.
struct Controller {
    std::uint16_t chipId = 0x0090;
    std::uint8_t chipVersion = 0x01;
    std::uint8_t flashId[5] = {0x2C, 0xD7, 0x94, 0x3E, 0x84};
    std::uint8_t attribute = 0;  // bit 5: dual channel
    std::uint8_t zoneBank = 2;
    std::uint8_t a1Version = 0;
    std::uint16_t redundantSymbol = 8;
    std::optional<std::string> firmwareVersion;  // 6 characters at most; none: no firmware
};

// The flash behind it.
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

struct Answer {
    Controller identity;
    Geometry geometry;
};

std::array<std::uint8_t, kReplySize> Encode(const Controller& identity, const Geometry& geometry);
// Empty when the bytes are not an identification reply.
std::optional<Answer> Decode(std::span<const std::uint8_t> reply);

}  // namespace mendora::identify
