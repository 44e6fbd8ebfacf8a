#pragma once
#include <memory>

#include "platform/scsi/ScsiTransport.h"
#include "platform/scsi/SgPassThrough.h"

namespace mendora::platform {

// The pass-through to a real device through SG_IO, keeping apart an OS refusal, a
// transport failure, a timeout and a carried command with its status and sense.
class LinuxScsiTransport : public ScsiTransport {
public:
    explicit LinuxScsiTransport(std::unique_ptr<SgPassThrough> pt) : pt_(std::move(pt)) {}
    ScsiResult Execute(const ScsiRequest& request) override;

private:
    std::unique_ptr<SgPassThrough> pt_;
};

}  // namespace mendora::platform
