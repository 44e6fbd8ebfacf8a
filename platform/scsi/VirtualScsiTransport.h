#pragma once
#include <memory>

#include "platform/kernel/Clock.h"
#include "platform/scsi/ScsiTransport.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::platform {

// The environment variable that shortens the wait of a stalled command, in milliseconds,
// so that fault sweeps can stall many commands; unset, a stall costs its whole timeout.
inline constexpr const char* kStallWaitVariable = "MENDORA_VDRIVE_STALL_MS";

// The pass-through to a virtual drive image. A command that stalls costs its timeout (or
// the shorter wait above) on the clock before it fails.
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
