// The USB mass-storage function in front of a drive, driven by a hostile host: command
// wrappers (mostly well formed, with any lengths, LUNs and command sizes), data packets,
// reads of any length, control requests and resets in any order, while the drive's answers
// come from the fuzzer too. The drive only ever sees commands a wrapper may carry, with a
// data phase within the transfer limit, and no packet answers more than was asked for.
#include <algorithm>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "vdrive/UsbMassStorage.h"

namespace mendora::fuzz::usb_mass_storage {

namespace {

using namespace vdrive;
using namespace vdrive::usb;
using Packet = std::vector<std::uint8_t>;

constexpr std::size_t kStatusWrapperSize = 13;

// A drive whose every answer comes from the input: how the command ended, its status, the
// transfer count it claims (true or not) and the bytes it hands back.
Reply Answer(Bytes& input, const Command& command) {
    FUZZ_CHECK(!command.cdb.empty() && command.cdb.size() <= 16);
    FUZZ_CHECK(command.data.size() <= kMaxTransferBytes);
    FUZZ_CHECK(command.direction != Direction::None || command.data.empty());
    Reply reply;
    const std::uint8_t how = input.U8();
    static constexpr TransportError kFailures[] = {TransportError::NoDevice, TransportError::Timeout,
                                                   TransportError::Failed};
    if ((how & 0x07) == 0x07) reply.error = kFailures[(how >> 3) % 3];
    reply.status = (how & 0x20) ? kStatusCheckCondition : kStatusGood;
    reply.moved = (how & 0x40) ? input.U32() : command.data.size();
    if (command.direction == Direction::In) {
        std::string_view bytes = input.Take(std::min<std::size_t>(command.data.size(), input.U16()));
        std::copy(bytes.begin(), bytes.end(), command.data.begin());
    }
    return reply;
}

void PutLe32(Packet& packet, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) packet[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A data length: small, any at all, or just around the transfer limit.
std::uint32_t Length(Bytes& input) {
    switch (input.U8() % 4) {
        case 0: return 0;
        case 1: return input.U16() % 4097;
        case 2: return kMaxTransferBytes - 1 + input.U8() % 3;
        default: return input.U32();
    }
}

// A command wrapper, well formed unless the input says otherwise.
Packet Wrapper(Bytes& input) {
    const std::uint8_t damage = input.U8();
    Packet w(31, 0);
    PutLe32(w, 0, (damage & 0x01) ? input.U32() : 0x43425355);
    PutLe32(w, 4, input.U32());
    PutLe32(w, 8, Length(input));
    w[12] = (damage & 0x02) ? input.U8() : (input.U8() & 0x80);
    w[13] = (damage & 0x04) ? input.U8() : 0;
    w[14] = (damage & 0x08) ? input.U8() : static_cast<std::uint8_t>(1 + input.U8() % 16);
    std::string_view cdb = input.Take(16);
    std::copy(cdb.begin(), cdb.end(), w.begin() + 15);
    if (damage & 0x10) w.resize(input.U8() % 64);
    return w;
}

void Step(MassStorageFunction& function, Bytes& input) {
    switch (input.U8() % 6) {
        case 0:
        case 1:
            function.BulkOut(Wrapper(input));
            break;
        case 2: {
            std::string_view data = input.Take(input.U16() % 1025);
            function.BulkOut(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
            break;
        }
        case 3: {
            // A status wrapper is whole even when the host asked for less.
            const std::size_t length = (input.U8() & 1) ? input.U32() : input.U16() % 1025;
            PacketAnswer answer = function.BulkIn(length);
            FUZZ_CHECK(answer.status == PacketStatus::Done || answer.data.empty());
            FUZZ_CHECK(answer.data.size() <= std::max(length, kStatusWrapperSize));
            FUZZ_CHECK(answer.data.size() <= kMaxTransferBytes);
            break;
        }
        case 4: {
            SetupPacket setup{input.U8(), input.U8(), input.U16(), input.U16(), input.U16()};
            PacketAnswer answer = function.Control(setup, {});
            FUZZ_CHECK(answer.data.size() <= setup.length);
            break;
        }
        default:
            function.Reset();
            FUZZ_CHECK(!function.DriveGone());
            break;
    }
}

}  // namespace

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    MassStorageFunction function("MV0123", [&input](const Command& command) { return Answer(input, command); });
    for (int i = 0; i < 256 && !input.Empty(); ++i) Step(function, input);
    return 0;
}

}  // namespace mendora::fuzz::usb_mass_storage
