#pragma once
#include <algorithm>
#include <cstring>

#include "fuzz/FuzzSupport.h"
#include "platform/scsi/ScsiTransport.h"

namespace mendora::fuzz {

// A drive whose every answer comes from the fuzzer: how the command ended, its SCSI status,
// sense bytes, the transfer count it reports (true or not) and the bytes it hands back.
// Like a real pass-through it never writes past the caller's buffer. When the input is
// used up the drive is gone.
class FuzzTransport : public platform::ScsiTransport {
public:
    explicit FuzzTransport(Bytes& input) : input_(input) {}

    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        ++commands;
        platform::ScsiResult& result = last;
        result = {};
        if (input_.Empty()) {
            result.transport = platform::TransportStatus::NoDevice;
            return result;
        }
        std::uint8_t how = input_.U8();
        // Mostly carried; now and then one of the failures.
        static constexpr platform::TransportStatus kFailures[] = {
            platform::TransportStatus::NoDevice, platform::TransportStatus::Timeout,
            platform::TransportStatus::Transport, platform::TransportStatus::Os};
        if ((how & 0x07) == 0x07) result.transport = kFailures[(how >> 3) & 3];
        result.scsiStatus = (how & 0x20) ? input_.U8() : 0;
        if (how & 0x40) {
            std::size_t senseLength = std::min<std::size_t>(input_.U8() % 33, request.senseLength);
            std::string_view sense = input_.Take(senseLength);
            result.sense.assign(sense.begin(), sense.end());
        }
        // The count is the buffer's size unless the drive claims another.
        result.bytesMoved = (how & 0x80) ? input_.U32() : request.data.size();
        if (request.direction == platform::DataDirection::In) {
            std::string_view reply = input_.Take(std::min<std::size_t>(request.data.size(), input_.U16()));
            std::memcpy(request.data.data(), reply.data(), reply.size());
        }
        return result;
    }

    std::size_t commands = 0;
    platform::ScsiResult last;  // the answer to the latest command

private:
    Bytes& input_;
};

}  // namespace mendora::fuzz
