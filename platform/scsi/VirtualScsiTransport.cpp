#include "platform/scsi/VirtualScsiTransport.h"

#include <algorithm>
#include <cstdlib>

namespace mendora::platform {

namespace {

vdrive::Direction ToDrive(DataDirection d) {
    switch (d) {
        case DataDirection::In: return vdrive::Direction::In;
        case DataDirection::Out: return vdrive::Direction::Out;
        default: return vdrive::Direction::None;
    }
}

TransportStatus FromDrive(vdrive::TransportError e) {
    switch (e) {
        case vdrive::TransportError::None: return TransportStatus::Ok;
        case vdrive::TransportError::NoDevice: return TransportStatus::NoDevice;
        case vdrive::TransportError::Timeout: return TransportStatus::Timeout;
        default: return TransportStatus::Transport;
    }
}

// How long a stalled command with this timeout keeps the caller waiting.
std::uint32_t StallWait(std::uint32_t timeoutSeconds) {
    const std::uint32_t full = timeoutSeconds * 1000u;
    const char* text = std::getenv(kStallWaitVariable);
    if (text == nullptr || *text < '0' || *text > '9') return full;
    char* end = nullptr;
    const unsigned long wait = std::strtoul(text, &end, 10);
    return *end == '\0' && wait < full ? static_cast<std::uint32_t>(wait) : full;
}

}  // namespace

ScsiResult VirtualScsiTransport::Execute(const ScsiRequest& request) {
    ScsiResult result;
    if (!IsCarriedCdbLength(request.cdb.size())) {
        result.transport = TransportStatus::Os;
        return result;
    }
    vdrive::Command command{request.cdb, ToDrive(request.direction),
                            request.direction == DataDirection::None ? std::span<std::uint8_t>() : request.data,
                            request.timeoutSeconds};
    vdrive::Reply reply = drive_->Execute(command);
    if (reply.error == vdrive::TransportError::Timeout) clock_.Sleep(StallWait(request.timeoutSeconds));
    result.transport = FromDrive(reply.error);
    result.scsiStatus = reply.status;
    result.bytesMoved = reply.moved;
    std::size_t senseBytes = std::min<std::size_t>(reply.senseLength, request.senseLength);
    result.sense.assign(reply.sense.begin(), reply.sense.begin() + senseBytes);
    return result;
}

}  // namespace mendora::platform
