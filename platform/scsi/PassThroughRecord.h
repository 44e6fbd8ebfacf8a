#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace mendora::platform {

// The two pass-through records of the Windows host, built as bytes (32-bit layout): the
// 44-byte SCSI_PASS_THROUGH(_DIRECT) header, 4 filler bytes, 32 sense bytes, and for the
// buffered record a 512-byte data area.
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
inline constexpr std::size_t kBufferedRecordSize = 592;
inline constexpr std::size_t kDirectRecordSize = 80;
inline constexpr std::uint32_t kHeaderSize = 44;
inline constexpr std::uint32_t kSenseOffset = 48;
inline constexpr std::uint32_t kSenseCapacity = 32;
inline constexpr std::uint32_t kDataAreaOffset = 80;
inline constexpr std::uint32_t kDataAreaSize = 512;
static_assert(kSenseOffset + kSenseCapacity == kDataAreaOffset && kDirectRecordSize == kDataAreaOffset &&
              kDataAreaOffset + kDataAreaSize == kBufferedRecordSize);

// DataIn values: host to device, device to host, no data phase.
inline constexpr std::uint8_t kScsiIoctlDataOut = 0;
inline constexpr std::uint8_t kScsiIoctlDataIn = 1;
inline constexpr std::uint8_t kScsiIoctlDataUnspecified = 2;

// Byte offsets of the header fields; numbers are little-endian.
namespace header {
inline constexpr std::size_t kLength = 0;  // 16 bits
inline constexpr std::size_t kScsiStatus = 2;
inline constexpr std::size_t kPathId = 3;
inline constexpr std::size_t kTargetId = 4;
inline constexpr std::size_t kLun = 5;
inline constexpr std::size_t kCdbLength = 6;
inline constexpr std::size_t kSenseInfoLength = 7;
inline constexpr std::size_t kDataIn = 8;
inline constexpr std::size_t kDataTransferLength = 12;  // 32 bits
inline constexpr std::size_t kTimeOutValue = 16;        // 32 bits
inline constexpr std::size_t kDataBuffer = 20;  // 32 bits: DataBufferOffset, or the DataBuffer address
inline constexpr std::size_t kSenseInfoOffset = 24;  // 32 bits
inline constexpr std::size_t kCdb = 28;
inline constexpr std::size_t kCdbSize = 16;
}  // namespace header

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

// What the driver writes back into the header.
struct RecordAnswer {
    std::uint8_t scsiStatus = 0;
    std::uint8_t senseLength = 0;         // sense bytes returned at kSenseOffset
    std::uint32_t dataTransferLength = 0;  // data bytes moved
};
RecordAnswer AnswerOf(std::span<const std::uint8_t, kHeaderSize> header);

// The DeviceIoControl input and output lengths of a buffered record expecting `replyBytes`.
inline constexpr std::uint32_t BufferedInputLength() { return kHeaderSize; }
inline constexpr std::uint32_t BufferedOutputLength(std::uint32_t replyBytes) { return kDataAreaOffset + replyBytes; }

}  // namespace mendora::platform
