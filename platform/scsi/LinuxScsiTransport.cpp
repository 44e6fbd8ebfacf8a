#include "platform/scsi/LinuxScsiTransport.h"

#include "platform/scsi/NativeScsi.h"

#include <scsi/sg_pt.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace mendora::platform {

// A drive that vanishes is looked for again at its port, with its serial.
std::unique_ptr<ScsiTransport> OpenDeviceTransport(const std::string& source, const DriveIdentity& identity,
                                                   UsbDiskFinder& finder, Clock& clock, std::string* error) {
    auto pt = OpenSgPassThrough(source, error);
    if (!pt) return nullptr;
    LinuxScsiTransport::Reopen reopen;
    if (!identity.port.empty()) {
        reopen = [&finder, identity]() -> std::unique_ptr<SgPassThrough> {
            for (const FoundDisk& disk : finder.MakerDisks()) {
                if (!disk.identity.SamePlace(identity)) continue;
                std::string ignored;
                return OpenSgPassThrough(disk.node, &ignored);
            }
            return nullptr;
        };
    }
    return std::make_unique<LinuxScsiTransport>(std::move(pt), std::move(reopen), &clock);
}

namespace {

TransportStatus FromOsError(int error) {
    return error == ENODEV || error == ENXIO || error == ENOENT ? TransportStatus::NoDevice : TransportStatus::Os;
}

}  // namespace

LinuxScsiTransport::LinuxScsiTransport(std::unique_ptr<SgPassThrough> pt, Reopen reopen, Clock* clock)
    : pt_(std::move(pt)), reopen_(std::move(reopen)), clock_(clock) {
    if (pt_) maxTransfer_ = pt_->MaxTransferBytes();
}

bool LinuxScsiTransport::Reattach() {
    if (!reopen_) return false;
    pt_.reset();
    std::uint32_t waited = 0;
    for (;;) {
        if ((pt_ = reopen_())) {
            maxTransfer_ = pt_->MaxTransferBytes();
            reset_ = true;
            waitedInVain_ = false;
            return true;
        }
        if (waitedInVain_ || clock_ == nullptr || waited >= kReattachPatienceMs) break;
        clock_->Sleep(kReattachPollMs);
        waited += kReattachPollMs;
    }
    waitedInVain_ = true;
    return false;
}

ScsiResult LinuxScsiTransport::Execute(const ScsiRequest& request) {
    ScsiResult result;
    if (!IsCarriedCdbLength(request.cdb.size()) || request.senseLength > 32 ||
        (request.direction == DataDirection::None) != request.data.empty()) {
        result.transport = TransportStatus::Os;
        return result;
    }
    if (!pt_ && !Reattach()) {
        result.transport = TransportStatus::NoDevice;
        return result;
    }
    result = Send(request);
    // A command that met a vanished node may still have reached the device: only one that
    // cannot change the drive is sent again.
    if (result.transport == TransportStatus::NoDevice && Reattach() && request.repeatable) result = Send(request);
    result.afterReset = reset_;
    return result;
}

ScsiResult LinuxScsiTransport::Send(const ScsiRequest& request) {
    ScsiResult result;
    if (maxTransfer_ > 0 && request.data.size() > static_cast<std::size_t>(maxTransfer_)) {
        result.transport = TransportStatus::Os;
        return result;
    }
    std::array<std::uint8_t, 32> sense{};
    int length = static_cast<int>(request.data.size());
    pt_->Clear();
    pt_->SetCdb(request.cdb.data(), static_cast<int>(request.cdb.size()));
    pt_->SetSense(sense.data(), request.senseLength);
    if (request.direction == DataDirection::In) pt_->SetDataIn(request.data.data(), length);
    if (request.direction == DataDirection::Out) pt_->SetDataOut(request.data.data(), length);
    int done = pt_->Do(static_cast<int>(request.timeoutSeconds));
    if (done < 0) {
        result.transport = FromOsError(-done);
        return result;
    }
    if (done == SCSI_PT_DO_TIMEOUT) {
        result.transport = TransportStatus::Timeout;
        return result;
    }
    if (done != 0) {
        result.transport = TransportStatus::Os;
        return result;
    }
    switch (pt_->ResultCategory()) {
        case SCSI_PT_RESULT_TRANSPORT_ERR: result.transport = TransportStatus::Transport; return result;
        case SCSI_PT_RESULT_OS_ERR: result.transport = FromOsError(pt_->OsError()); return result;
        default: break;
    }
    result.scsiStatus = static_cast<std::uint8_t>(pt_->Status());
    int senseBytes = std::clamp(pt_->SenseLength(), 0, static_cast<int>(request.senseLength));
    result.sense.assign(sense.begin(), sense.begin() + senseBytes);
    result.bytesMoved = static_cast<std::size_t>(std::clamp(length - pt_->Resid(), 0, length));
    return result;
}

}  // namespace mendora::platform
