#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "platform/scsi/ScsiTransport.h"

namespace mendora::certify {

// What READ CAPACITY tells: the sectors the drive announces and their size.
struct Announced {
    std::uint64_t sectors = 0;
    std::uint32_t sectorBytes = 0;
};

// How a READ(10) or WRITE(10) ended.
enum class Transfer {
    Done,        // GOOD status and every byte moved
    Refused,     // CHECK CONDITION, or fewer bytes than asked: the drive said no
    TooLarge,    // the host refused the request as a whole (above its transfer limit)
    Lost,        // no answer: the drive is gone or timed out
};

// The drive's own disk commands over its pass-through: READ CAPACITY, READ(10), WRITE(10).
class DiskAccess {
public:
    explicit DiskAccess(platform::ScsiTransport& transport) : transport_(transport) {}

    // Empty when the drive does not answer as a ready disk.
    std::optional<Announced> ReadCapacity();
    Transfer Read(std::uint32_t lba, std::uint16_t count, std::span<std::uint8_t> into);
    Transfer Write(std::uint32_t lba, std::uint16_t count, std::span<const std::uint8_t> from);

    // The largest transfer the transport takes, in bytes; 0 when it does not say.
    std::size_t TransportLimit() const { return transport_.MaxTransferBytes(); }

private:
    Transfer Carry(std::uint8_t opcode, std::uint32_t lba, std::uint16_t count, std::span<std::uint8_t> data,
                   platform::DataDirection direction);

    platform::ScsiTransport& transport_;
};

}  // namespace mendora::certify
