#pragma once
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include "protocol/ControllerChips.h"

// A revert image file. The revert engine downloads the 4096 bytes at kRamImageOffset into
// controller RAM F000h-FFFFh; the controller runs them only when their header checks out.
//
// RAM image layout (all numbers little-endian):
//   0  magic "QRVR"
//   4  model (0x0070 or 0x0090)
//   6  version
//   8  CRC-32 (zlib crc32) of bytes kRamHeaderSize..kRamImageSize-1
//  12  entry address in RAM (F000h + kRamHeaderSize .. FFFFh)
//  14  reserved, 0
//  16  code and tables
namespace mendora::revert {

inline constexpr std::size_t kMinFileSize = 24576;
inline constexpr std::size_t kRamImageOffset = 20480;
inline constexpr std::size_t kRamImageSize = 4096;
inline constexpr std::uint16_t kRamLoadAddress = 0xF000;

inline constexpr std::uint8_t kRamMagic[4] = {'Q', 'R', 'V', 'R'};
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kModelOffset = 4;
inline constexpr std::size_t kVersionOffset = 6;
inline constexpr std::size_t kCrcOffset = 8;
inline constexpr std::size_t kEntryOffset = 12;
inline constexpr std::size_t kReservedOffset = 14;
inline constexpr std::size_t kRamHeaderSize = 16;

inline constexpr std::uint16_t kModelQf70 = chips::kQf70;
inline constexpr std::uint16_t kModelQf90 = chips::kQf90;

static_assert(kRamImageOffset + kRamImageSize <= kMinFileSize);

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return ReadLe16(p) | static_cast<std::uint32_t>(ReadLe16(p + 2)) << 16;
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    WriteLe16(p, static_cast<std::uint16_t>(v));
    WriteLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

// The CRC-32 the header of a 4096-byte RAM image must carry.
inline std::uint32_t RamImageCrc(const std::uint8_t* ram4096) {
    return static_cast<std::uint32_t>(
        crc32(0, ram4096 + kRamHeaderSize, static_cast<uInt>(kRamImageSize - kRamHeaderSize)));
}

// Writes the header of a RAM image whose body (from kRamHeaderSize on) is already in place.
inline void SealRamImage(std::uint8_t* ram4096, std::uint16_t model, std::uint16_t version,
                         std::uint16_t entry) {
    for (std::size_t i = 0; i < sizeof kRamMagic; ++i) ram4096[kMagicOffset + i] = kRamMagic[i];
    WriteLe16(ram4096 + kModelOffset, model);
    WriteLe16(ram4096 + kVersionOffset, version);
    WriteLe16(ram4096 + kEntryOffset, entry);
    WriteLe16(ram4096 + kReservedOffset, 0);
    WriteLe32(ram4096 + kCrcOffset, RamImageCrc(ram4096));
}

// True when a RAM image has the magic, a known model, an entry inside its body and a
// matching CRC; the model is then stored through `model` (when not null).
inline bool IsValidRamImage(const std::uint8_t* ram4096, std::uint16_t* model) {
    for (std::size_t i = 0; i < sizeof kRamMagic; ++i) {
        if (ram4096[kMagicOffset + i] != kRamMagic[i]) return false;
    }
    std::uint16_t found = ReadLe16(ram4096 + kModelOffset);
    std::uint16_t entry = ReadLe16(ram4096 + kEntryOffset);
    if (found != kModelQf70 && found != kModelQf90) return false;
    if (entry < kRamLoadAddress + kRamHeaderSize) return false;
    if (ReadLe32(ram4096 + kCrcOffset) != RamImageCrc(ram4096)) return false;
    if (model != nullptr) *model = found;
    return true;
}

// Whether a controller runs a RAM image of `imageModel`: the QF90 image runs on QF70 and
// QF90 controllers alike, the QF70 image on a QF70 controller only.
inline bool RamImageRunsOn(std::uint16_t imageModel, std::uint16_t controllerChipId) {
    if (imageModel == kModelQf90) return controllerChipId == kModelQf70 || controllerChipId == kModelQf90;
    return imageModel == controllerChipId;
}

}  // namespace mendora::revert
