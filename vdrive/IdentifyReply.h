#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "vdrive/DriveSetup.h"

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
namespace mendora::vdrive {

inline constexpr std::uint8_t kIdentifyOpcode = 0xE7;
inline constexpr std::size_t kIdentifyReplySize = 64;
inline constexpr std::array<std::uint8_t, 10> kIdentifyCdb = {0xE7, 0x49, 0x44, 0, 0, 0, 0, 0, 0, 0};

struct IdentifyAnswer {
    Identity identity;  // without the INQUIRY texts
    Geometry geometry;
};

std::array<std::uint8_t, kIdentifyReplySize> EncodeIdentify(const Identity& identity, const Geometry& geometry);
// Empty when the bytes are not an identification reply.
std::optional<IdentifyAnswer> DecodeIdentify(std::span<const std::uint8_t> reply);

}  // namespace mendora::vdrive
