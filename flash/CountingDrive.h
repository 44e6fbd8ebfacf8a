#pragma once
#include <cstdint>
#include <memory>

#include "platform/scsi/ScsiTransport.h"

namespace mendora {

// An opened drive that counts the commands it could not carry (the drive gone, a timeout,
// the bus dropping them), so that a pass can tell a lost drive from a bad block even where
// it does not look at a command's result. A controller that came back from a reset has lost
// the revert image in its RAM: from then on no command counts as carried, so the run fails
// instead of going on against a controller that no longer runs it.
class CountingDrive : public platform::ScsiTransport {
public:
    explicit CountingDrive(std::unique_ptr<platform::ScsiTransport> inner) : inner_(std::move(inner)) {}

    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        platform::ScsiResult result = inner_->Execute(request);
        if (result.afterReset) result.transport = platform::TransportStatus::NoDevice;
        if (!result.TransportOk()) ++notCarried_;
        return result;
    }

    std::uint64_t NotCarried() const { return notCarried_; }

private:
    std::unique_ptr<platform::ScsiTransport> inner_;
    std::uint64_t notCarried_ = 0;
};

}  // namespace mendora
