#pragma once
#include <array>
#include <cstdint>

// The standard block commands a drive answers as a disk, and their CDBs.
namespace mendora::disk {

inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kReadCapacity10 = 0x25;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kWrite10 = 0x2A;

// INQUIRY of the 36 bytes of standard data.
inline constexpr std::uint8_t kStandardInquiryBytes = 36;
inline constexpr std::array<std::uint8_t, 6> kInquiryCdb = {kInquiry, 0, 0, 0, kStandardInquiryBytes, 0};
inline constexpr std::array<std::uint8_t, 10> kReadCapacityCdb = {kReadCapacity10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// READ(10) or WRITE(10) of `count` sectors from `lba` (big-endian fields).
inline constexpr std::array<std::uint8_t, 10> ReadWrite10Cdb(std::uint8_t op, std::uint32_t lba, std::uint16_t count) {
    return {op,
            0,
            static_cast<std::uint8_t>(lba >> 24),
            static_cast<std::uint8_t>(lba >> 16),
            static_cast<std::uint8_t>(lba >> 8),
            static_cast<std::uint8_t>(lba),
            0,
            static_cast<std::uint8_t>(count >> 8),
            static_cast<std::uint8_t>(count),
            0};
}

}  // namespace mendora::disk
