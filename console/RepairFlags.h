#pragma once
#include <cstdint>

namespace mendora {

// Every run asks the library to write the update firmware.
inline constexpr std::uint8_t kForceFirmwareUpdate = 1;

// The flag byte handed to the library's repair: bits 0-4 the device selection code, bit 5
// the forced update, bit 6 a complete repair, bit 7 write the update firmware (a QF70 or
// QF90 with the update box checked, or always when forced).
std::uint8_t RepairFlagsFor(std::uint8_t selectionCode, bool completeChecked, bool updateChecked,
                            std::uint16_t chipId, std::uint8_t forceUpdate = kForceFirmwareUpdate);

}  // namespace mendora
