#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace mendora::vdrive {

enum class Direction { None, In, Out };

// One SCSI command as the drive receives it.
struct Command {
    std::span<const std::uint8_t> cdb;
    Direction direction = Direction::None;
    std::span<std::uint8_t> data;  // what the host sends, or room for what it receives
    std::uint32_t timeoutSeconds = 0;
};

enum class TransportError {
    None,
    NoDevice,   // unplugged, or gone while the command was under way
    Timeout,    // the drive did not answer before the timeout
    Failed,     // the drive dropped the command (the controller could not carry it out)
};

inline constexpr std::uint8_t kStatusGood = 0x00;
inline constexpr std::uint8_t kStatusCheckCondition = 0x02;

struct Reply {
    TransportError error = TransportError::None;
    std::uint8_t status = kStatusGood;
    std::array<std::uint8_t, 18> sense{};
    std::size_t senseLength = 0;
    std::size_t moved = 0;  // data bytes transferred
    bool TransportOk() const { return error == TransportError::None; }
};

}  // namespace mendora::vdrive
