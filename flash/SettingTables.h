#pragma once
#include <cstdint>

namespace mendora {

// The controller's two setting tables, indexed by RevertOptions; an index past a table
// gives 0 rather than a byte from beyond it.
inline std::uint8_t SettingA(std::uint8_t index) {
    constexpr std::uint8_t kTable[] = {0x77, 0x55, 0x33};
    return index < sizeof kTable ? kTable[index] : 0;
}

inline std::uint8_t SettingB(std::uint8_t index) {
    constexpr std::uint8_t kTable[] = {0x00, 0x00, 0x44, 0x88, 0xCC};
    return index < sizeof kTable ? kTable[index] : 0;
}

}  // namespace mendora
