#include "platform/scsi/PassThroughRecord.h"

#include <algorithm>

namespace mendora::platform {

namespace {

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Fills the header of a zeroed record; `bufferField` is the offset or the address.
void FillHeader(std::uint8_t* r, const RecordFields& f, std::uint32_t bufferField) {
    r[0] = static_cast<std::uint8_t>(kHeaderSize);
    r[3] = 0;  // PathId
    r[4] = 1;  // TargetId
    r[5] = 0;  // Lun
    r[6] = static_cast<std::uint8_t>(f.cdb.size());
    r[7] = f.senseLength;
    r[8] = f.dataIn;
    Put32(r + 12, f.dataLength);
    Put32(r + 16, f.timeoutSeconds);
    Put32(r + 20, bufferField);
    Put32(r + 24, kSenseOffset);
    std::copy_n(f.cdb.begin(), std::min<std::size_t>(f.cdb.size(), 16), r + 28);
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

}  // namespace mendora::platform
