#pragma once
#include <cstdint>

namespace mendora {

// The text shown for a revert status code; empty for a code without one.
const char* StatusText(std::uint8_t status);

}  // namespace mendora
