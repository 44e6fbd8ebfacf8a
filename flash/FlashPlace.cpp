#include "flash/FlashPlace.h"
#include "protocol/VendorOpcodes.h"

namespace mendora {

// OP xx S3 S2 S1 S0 ... M: the sector big-endian, chip c selected by bit 2c of the mask.
std::optional<FlashPlace> FlashPlaceOf(std::span<const std::uint8_t> cdb) {
    if (cdb.size() != 13 || !opcode::AddressesFlash(cdb[0]) || cdb[12] == 0) return std::nullopt;
    const std::uint32_t sector = std::uint32_t{cdb[2]} << 24 | std::uint32_t{cdb[3]} << 16 |
                                 std::uint32_t{cdb[4]} << 8 | cdb[5];
    return FlashPlace{static_cast<std::uint32_t>(__builtin_ctz(cdb[12]) / 2), sector};
}

}  // namespace mendora
