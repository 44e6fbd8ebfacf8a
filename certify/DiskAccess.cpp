#include "certify/DiskAccess.h"

#include "protocol/DiskCommands.h"

namespace mendora::certify {

namespace {

// A stick answers a transfer of a megabyte well within this; a stalled one is given up.
constexpr std::uint32_t kTransferTimeoutSeconds = 30;
constexpr std::uint8_t kSenseBytes = 18;

std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

std::optional<Announced> DiskAccess::ReadCapacity() {
    std::uint8_t answer[8] = {};
    platform::ScsiRequest request;
    request.cdb = disk::kReadCapacityCdb;
    request.direction = platform::DataDirection::In;
    request.data = answer;
    request.timeoutSeconds = kTransferTimeoutSeconds;
    request.senseLength = kSenseBytes;
    request.repeatable = true;
    const platform::ScsiResult result = transport_.Execute(request);
    if (!result.TransportOk() || result.scsiStatus != 0 || result.bytesMoved < sizeof answer) return std::nullopt;
    Announced announced{std::uint64_t{Be32(answer)} + 1, Be32(answer + 4)};
    if (announced.sectorBytes == 0) return std::nullopt;
    return announced;
}

Transfer DiskAccess::Read(std::uint32_t lba, std::uint16_t count, std::span<std::uint8_t> into) {
    return Carry(disk::kRead10, lba, count, into, platform::DataDirection::In);
}

Transfer DiskAccess::Write(std::uint32_t lba, std::uint16_t count, std::span<const std::uint8_t> from) {
    // The request's span is mutable for both directions; an outgoing one is only read.
    std::span<std::uint8_t> data(const_cast<std::uint8_t*>(from.data()), from.size());
    return Carry(disk::kWrite10, lba, count, data, platform::DataDirection::Out);
}

Transfer DiskAccess::Carry(std::uint8_t opcode, std::uint32_t lba, std::uint16_t count, std::span<std::uint8_t> data,
                           platform::DataDirection direction) {
    const auto cdb = disk::ReadWrite10Cdb(opcode, lba, count);
    platform::ScsiRequest request;
    request.cdb = cdb;
    request.direction = direction;
    request.data = data;
    request.timeoutSeconds = kTransferTimeoutSeconds;
    request.senseLength = kSenseBytes;
    request.repeatable = direction == platform::DataDirection::In;
    const platform::ScsiResult result = transport_.Execute(request);
    switch (result.transport) {
        case platform::TransportStatus::Ok: break;
        case platform::TransportStatus::Os: return Transfer::TooLarge;
        default: return Transfer::Lost;
    }
    if (result.scsiStatus != 0 || result.bytesMoved < data.size()) return Transfer::Refused;
    return Transfer::Done;
}

}  // namespace mendora::certify
