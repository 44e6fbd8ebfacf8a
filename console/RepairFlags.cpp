#include "console/RepairFlags.h"
#include "protocol/ControllerChips.h"

namespace mendora {

std::uint8_t RepairFlagsFor(std::uint8_t selectionCode, bool completeChecked, bool updateChecked,
                            std::uint16_t chipId, std::uint8_t forceUpdate) {
    const bool updatable = chipId == chips::kQf70 || chipId == chips::kQf90;
    std::uint8_t flags = selectionCode & 0x1F;
    if (forceUpdate != 0) flags |= 0x20;
    if (completeChecked) flags |= 0x40;
    if ((updateChecked && updatable) || forceUpdate != 0) flags |= 0x80;
    return flags;
}

}  // namespace mendora
