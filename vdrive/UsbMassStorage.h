#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vdrive/Command.h"

namespace mendora::vdrive::usb {

inline constexpr std::uint8_t kBulkInEndpoint = 0x81;
inline constexpr std::uint8_t kBulkOutEndpoint = 0x02;
inline constexpr std::uint16_t kBulkMaxPacket = 512;
inline constexpr std::uint16_t kControlMaxPacket = 64;
inline constexpr std::uint8_t kInterfaceClass = 0x08;     // mass storage
inline constexpr std::uint8_t kInterfaceSubclass = 0x06;  // SCSI transparent command set
inline constexpr std::uint8_t kInterfaceProtocol = 0x50;  // bulk-only transport
inline constexpr std::uint16_t kDeviceRelease = 0x0100;
// The largest data phase the function carries: 2048 sectors, more than any host's disk
// driver asks for at once. A wrapper announcing more ends in a phase error.
inline constexpr std::uint32_t kMaxTransferBytes = 1u << 20;

struct SetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// What a packet gets back. A held packet stays unanswered: the drive stalled inside a
// command, and the host gives up on it by cancelling the packet and resetting the device.
enum class PacketStatus { Done, Stall, Hold };

struct PacketAnswer {
    PacketStatus status = PacketStatus::Done;
    std::vector<std::uint8_t> data;  // for IN packets
};

// One USB mass-storage function with bulk-only transport in front of a drive: it takes
// the command block wrappers the host sends, carries each command to `execute`, moves the
// data phase and answers the command status wrapper; it answers endpoint 0 with the
// descriptors and the class requests. No I/O of its own, so the bus glue stays thin.
class MassStorageFunction {
public:
    using Execute = std::function<Reply(const Command&)>;
    MassStorageFunction(std::string serial, Execute execute);

    PacketAnswer Control(const SetupPacket& setup, std::span<const std::uint8_t> dataOut);
    PacketAnswer BulkOut(std::span<const std::uint8_t> data);
    PacketAnswer BulkIn(std::size_t length);
    // A bus reset or a bulk-only mass storage reset: back to waiting for a command.
    void Reset();
    // The drive went away inside the last command; the glue takes it off the bus.
    bool DriveGone() const { return gone_; }

    std::vector<std::uint8_t> DeviceDescriptor() const;
    std::vector<std::uint8_t> ConfigurationDescriptor() const;
    // String descriptor `index` (0: the language list), or nothing when there is none.
    std::optional<std::vector<std::uint8_t>> StringDescriptor(std::uint8_t index) const;

private:
    enum class Phase { Command, DataOut, DataIn, Status, Halted };
    void StartCommand(std::span<const std::uint8_t> wrapper);
    void Carry();
    std::vector<std::uint8_t> StatusWrapper() const;

    std::string serial_;
    Execute execute_;
    Phase phase_ = Phase::Command;
    bool gone_ = false;
    bool stalled_ = false;  // the drive did not answer the command: hold the host's packets
    std::uint32_t tag_ = 0;
    std::uint32_t expected_ = 0;  // data bytes the host announced
    bool dataIn_ = false;
    std::vector<std::uint8_t> cdb_;
    std::vector<std::uint8_t> buffer_;
    std::size_t done_ = 0;       // data bytes moved in this phase so far
    std::size_t available_ = 0;  // data-in bytes the drive answered
    std::uint8_t csStatus_ = 0;
    std::uint32_t residue_ = 0;
};

}  // namespace mendora::vdrive::usb
