#pragma once
#include <cstdint>

#include "protocol/ControllerChips.h"

namespace mendora {

// A QF70 with firmware comes back as a new device only once it has been re-plugged (power
// cycled); any other drive goes from the revert straight to the library phase.
inline bool NeedsReplug(std::uint16_t chipId, bool noFirmware) { return chipId == chips::kQf70 && !noFirmware; }

}  // namespace mendora
