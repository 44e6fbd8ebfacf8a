#pragma once
#include <cstdint>

// The maker's controllers as their chip id and version name them, and the rules the repair
// draws from them.
namespace mendora::chips {

inline constexpr std::uint16_t kQf70 = 0x0070;
inline constexpr std::uint16_t kQf90 = 0x0090;
// A controller the repair does not know how to revert.
inline constexpr std::uint16_t kUnsupported = 0x0080;
// One revision that only runs on systems up to kLastSupportedOsBuild.
inline constexpr std::uint16_t kSystemBoundChip = 0x0050;
inline constexpr std::uint16_t kSystemBoundVersion = 0x11;
inline constexpr std::uint32_t kLastSupportedOsBuild = 2600;

// Bit of the device attribute byte: the flash runs in dual channel mode, which the revert
// cannot rescue.
inline constexpr std::uint8_t kDualChannelAttribute = 0x20;

}  // namespace mendora::chips
