#pragma once
#include <memory>

#include "platform/kernel/Clock.h"
#include "platform/scsi/ScsiTransport.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::platform {

// The pass-through to a virtual drive image. A command that stalls costs its timeout (or
// the shorter wait of StallWaitMs) on the clock before it fails.
class VirtualScsiTransport : public ScsiTransport {
public:
    VirtualScsiTransport(std::unique_ptr<vdrive::VirtualDrive> drive, Clock& clock)
        : drive_(std::move(drive)), clock_(clock) {}
    ScsiResult Execute(const ScsiRequest& request) override;
    vdrive::VirtualDrive& drive() { return *drive_; }

private:
    std::unique_ptr<vdrive::VirtualDrive> drive_;
    Clock& clock_;
};

}  // namespace mendora::platform
