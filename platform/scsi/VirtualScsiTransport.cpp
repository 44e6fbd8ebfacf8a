#include "platform/scsi/VirtualScsiTransport.h"

#include <algorithm>

#include "platform/scsi/StallWait.h"

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
    if (reply.error == vdrive::TransportError::Timeout) clock_.Sleep(StallWaitMs(request.timeoutSeconds));
    result.transport = FromDrive(reply.error);
    result.scsiStatus = reply.status;
    result.bytesMoved = reply.moved;
    std::size_t senseBytes = std::min<std::size_t>(reply.senseLength, request.senseLength);
    result.sense.assign(reply.sense.begin(), reply.sense.begin() + senseBytes);
    return result;
}

}  // namespace mendora::platform
