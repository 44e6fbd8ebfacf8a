#include "platform/scsi/PassThroughRecord.h"

#include <algorithm>

namespace mendora::platform {

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Fills the header of a zeroed record; `bufferField` is the offset or the address.
void FillHeader(std::uint8_t* r, const RecordFields& f, std::uint32_t bufferField) {
    Put16(r + header::kLength, kHeaderSize);
    r[header::kPathId] = 0;
    r[header::kTargetId] = 1;
    r[header::kLun] = 0;
    r[header::kCdbLength] = static_cast<std::uint8_t>(f.cdb.size());
    r[header::kSenseInfoLength] = f.senseLength;
    r[header::kDataIn] = f.dataIn;
    Put32(r + header::kDataTransferLength, f.dataLength);
    Put32(r + header::kTimeOutValue, f.timeoutSeconds);
    Put32(r + header::kDataBuffer, bufferField);
    Put32(r + header::kSenseInfoOffset, kSenseOffset);
    std::copy_n(f.cdb.begin(), std::min(f.cdb.size(), header::kCdbSize), r + header::kCdb);
}

}  // namespace

std::array<std::uint8_t, kBufferedRecordSize> BufferedRecord(const RecordFields& fields) {
    std::array<std::uint8_t, kBufferedRecordSize> r{};
    FillHeader(r.data(), fields, kDataAreaOffset);
    return r;
}

std::array<std::uint8_t, kDirectRecordSize> DirectRecord(const RecordFields& fields, std::uint32_t dataBuffer) {
    std::array<std::uint8_t, kDirectRecordSize> r{};
    FillHeader(r.data(), fields, dataBuffer);
    return r;
}

RecordAnswer AnswerOf(std::span<const std::uint8_t, kHeaderSize> h) {
    return {h[header::kScsiStatus], h[header::kSenseInfoLength], Get32(&h[header::kDataTransferLength])};
}

}  // namespace mendora::platform
