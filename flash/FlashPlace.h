#pragma once
#include <cstdint>
#include <optional>
#include <span>

namespace mendora {

// Where a flash command that addresses a sector (erase, write, read, spare read) points:
// the lowest chip-enable its mask selects and the sector within it.
struct FlashPlace {
    std::uint32_t chip = 0;
    std::uint32_t sector = 0;
};

// The place of such a command's CDB; nullopt for any other command.
std::optional<FlashPlace> FlashPlaceOf(std::span<const std::uint8_t> cdb);

}  // namespace mendora
