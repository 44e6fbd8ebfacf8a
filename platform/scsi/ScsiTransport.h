#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mendora::platform {

enum class DataDirection { None, In, Out };

// Where a command failed, when it did.
enum class TransportStatus {
    Ok,         // carried; look at the SCSI status and sense
    NoDevice,   // the device is gone or was never there
    Timeout,    // no answer within the timeout
    Transport,  // the host adapter or the bus dropped the command
    Os,         // the operating system refused the request
};

// The Windows pass-through records: the buffered one carries the data in its own 512-byte
// area, the direct one points at the caller's buffer.
enum class RecordKind { Buffered, Direct };

// The record a command must travel in and the DataIn byte it carries (0 out, 1 in), also
// when it moves no data. Hosts without such records ignore it.
struct RecordChoice {
    RecordKind kind = RecordKind::Buffered;
    std::uint8_t dataIn = 0;
};

// One raw SCSI command: a CDB of 6, 10, 12 or 13 bytes with an optional data phase.
struct ScsiRequest {
    std::span<const std::uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::span<std::uint8_t> data;  // the bytes to send, or room for those to receive
    std::uint32_t timeoutSeconds = 0;
    std::uint8_t senseLength = 0;  // sense bytes wanted back, at most 32
    // A query or a read: a command that cannot change the drive, so that it may be sent
    // again when it met a device that had vanished. Anything else is never repeated.
    bool repeatable = false;
    std::optional<RecordChoice> record{};  // none: the transport picks by size and direction
};

struct ScsiResult {
    TransportStatus transport = TransportStatus::Ok;
    std::uint8_t scsiStatus = 0;
    std::vector<std::uint8_t> sense;
    std::size_t bytesMoved = 0;
    // The device went away and came back (a port reset) before this command: a controller
    // that did so has lost whatever was loaded into its RAM.
    bool afterReset = false;
    bool TransportOk() const { return transport == TransportStatus::Ok; }
};

// The raw SCSI pass-through to one opened drive.
class ScsiTransport {
public:
    virtual ~ScsiTransport() = default;
    virtual ScsiResult Execute(const ScsiRequest& request) = 0;
    // The most data one command may carry, in bytes, where the host tells it; 0 when it
    // does not (a larger request then fails as refused by the host, TransportStatus::Os).
    virtual std::size_t MaxTransferBytes() const { return 0; }
};

// Whether a CDB length is one the pass-through carries.
inline bool IsCarriedCdbLength(std::size_t length) {
    return length == 6 || length == 10 || length == 12 || length == 13;
}

}  // namespace mendora::platform
