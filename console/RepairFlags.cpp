#include "console/RepairFlags.h"

namespace mendora {

std::uint8_t RepairFlagsFor(std::uint8_t selectionCode, bool completeChecked, bool updateChecked,
                            std::uint16_t chipId, std::uint8_t forceUpdate) {
    const bool updatable = chipId == 0x0070 || chipId == 0x0090;
    std::uint8_t flags = selectionCode & 0x1F;
    if (forceUpdate != 0) flags |= 0x20;
    if (completeChecked) flags |= 0x40;
    if ((updateChecked && updatable) || forceUpdate != 0) flags |= 0x80;
    return flags;
}

}  // namespace mendora
