#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The device library's own commands, answered whether or not a revert image runs. All
// CDBs are 10 bytes; multi-byte fields are big-endian.
//
//   E0 46 57 00 00 00 01 00 00 00   write firmware: data out, exactly 65536 bytes (the
//                                   image; its 6 bytes at EFF2h become the version); an
//                                   image whose controller tag names another chip is
//                                   refused with CHECK CONDITION, ILLEGAL REQUEST, 26h
//   E1 46 57 00 00 00 01 00 00 00   read firmware: data in, 65536 bytes; a drive without
//                                   firmware answers CHECK CONDITION, MEDIUM ERROR, 11h
//   E2 00 cc 00 00 00 LL LL LL 00   scan bad-block marks of chip-enable cc: data in, up to
//                                   LLLLLL bytes of a bitmap, bit b%8 of byte b/8 set when
//                                   block b has a mark on its first or last page
//   E3 46 4D 00 00 00 00 00 00 00   low-level format: no data; builds the disk from the
//                                   unmarked blocks, which then answers READ CAPACITY,
//                                   READ(10) and WRITE(10)
//
// Bytes 1-2 of the firmware and format commands are a signature ("FW", "FM") that keeps
// a stray vendor command from reaching them. Until a format, and again after any erase
// or page write of the flash commands (F5h, F6h, FEh), the disk commands answer CHECK
// CONDITION, NOT READY, 31h (medium format corrupted).
namespace mendora::library {

inline constexpr std::uint8_t kWriteFirmware = 0xE0;
inline constexpr std::uint8_t kReadFirmware = 0xE1;
inline constexpr std::uint8_t kScanMarks = 0xE2;
inline constexpr std::uint8_t kLowLevelFormat = 0xE3;

inline constexpr std::size_t kFirmwareBytes = 65536;

inline constexpr std::array<std::uint8_t, 10> kWriteFirmwareCdb = {0xE0, 0x46, 0x57, 0, 0, 0, 0x01, 0, 0, 0};
inline constexpr std::array<std::uint8_t, 10> kReadFirmwareCdb = {0xE1, 0x46, 0x57, 0, 0, 0, 0x01, 0, 0, 0};
inline constexpr std::array<std::uint8_t, 10> kLowLevelFormatCdb = {0xE3, 0x46, 0x4D, 0, 0, 0, 0, 0, 0, 0};

inline constexpr std::array<std::uint8_t, 10> ScanMarksCdb(std::uint8_t chip, std::uint32_t length) {
    return {kScanMarks, 0, chip, 0, 0, 0, static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length), 0};
}

// Bytes of the mark bitmap of one chip.
inline constexpr std::uint32_t MarkBitmapBytes(std::uint32_t blocksPerChip) { return (blocksPerChip + 7) / 8; }

}  // namespace mendora::library
