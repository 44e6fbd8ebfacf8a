#pragma once
#include <functional>
#include <memory>

#include "platform/kernel/Clock.h"
#include "platform/scsi/ScsiTransport.h"
#include "platform/scsi/SgPassThrough.h"

namespace mendora::platform {

// The pass-through to a real device through SG_IO, keeping apart an OS refusal, a
// transport failure, a timeout and a carried command with its status and sense.
//
// A command that moves more data than the node takes is refused before it reaches the
// kernel. When the node has gone (the kernel reset the device and enumerated it again, so
// it may come back under another node), `reopen` finds the same drive again at its port. A
// command that met the vanished node is sent once more only when it cannot change the drive
// (it may have reached the device); every result from then on says the device was reset.
class LinuxScsiTransport : public ScsiTransport {
public:
    // Answers the same drive on its current node, or null when it is not there (now).
    using Reopen = std::function<std::unique_ptr<SgPassThrough>()>;
    // How long a lost drive is looked for before commands fail at once.
    static constexpr std::uint32_t kReattachPatienceMs = 4000;
    static constexpr std::uint32_t kReattachPollMs = 100;

    explicit LinuxScsiTransport(std::unique_ptr<SgPassThrough> pt, Reopen reopen = {}, Clock* clock = nullptr);
    ScsiResult Execute(const ScsiRequest& request) override;
    std::size_t MaxTransferBytes() const override { return maxTransfer_ > 0 ? static_cast<std::size_t>(maxTransfer_) : 0; }

private:
    ScsiResult Send(const ScsiRequest& request);
    bool Reattach();

    std::unique_ptr<SgPassThrough> pt_;
    Reopen reopen_;
    Clock* clock_;
    int maxTransfer_ = 0;
    bool waitedInVain_ = false;  // the drive stayed away once: later commands do not wait again
    bool reset_ = false;         // the node vanished and the drive was found again
};

}  // namespace mendora::platform
