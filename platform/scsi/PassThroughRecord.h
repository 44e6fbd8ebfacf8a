#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace mendora::platform {

// The two pass-through records of the Windows host, built as bytes (32-bit layout):
// a 44-byte header (Length, ScsiStatus, PathId, TargetId, Lun, CdbLength, SenseInfoLength,
// DataIn, 3 filler, DataTransferLength, TimeOutValue, DataBufferOffset or DataBuffer,
// SenseInfoOffset, Cdb[16]), 4 filler bytes, 32 sense bytes, and for the buffered record a
// 512-byte data area.
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
inline constexpr std::size_t kBufferedRecordSize = 592;
inline constexpr std::size_t kDirectRecordSize = 80;
inline constexpr std::uint32_t kHeaderSize = 44;
inline constexpr std::uint32_t kSenseOffset = 48;
inline constexpr std::uint32_t kDataAreaOffset = 80;

struct RecordFields {
    std::span<const std::uint8_t> cdb;
    std::uint8_t dataIn = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t timeoutSeconds = 0;
    std::uint8_t senseLength = 0;
};

std::array<std::uint8_t, kBufferedRecordSize> BufferedRecord(const RecordFields& fields);
// dataBuffer: the 32-bit address of the caller's buffer.
std::array<std::uint8_t, kDirectRecordSize> DirectRecord(const RecordFields& fields, std::uint32_t dataBuffer);

// The DeviceIoControl input and output lengths of a buffered record expecting `replyBytes`.
inline constexpr std::uint32_t BufferedInputLength() { return kHeaderSize; }
inline constexpr std::uint32_t BufferedOutputLength(std::uint32_t replyBytes) { return kDataAreaOffset + replyBytes; }

}  // namespace mendora::platform
