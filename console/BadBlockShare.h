#pragma once
#include <cstdint>
#include <string>

namespace mendora {

// The bad-block figures of a finished library repair as the dialog shows them.
struct BadBlockShare {
    std::uint32_t spanDegrees = 0;  // slice of the pie
    std::string label;              // "<name> : 10.00 %"
};

// bad is capped at total / divisor of a total of total blocks; when either is 0 the figures
// are taken against 1536 blocks.
BadBlockShare BadBlockShareOf(std::uint32_t bad, std::uint32_t total, std::uint16_t divisor, const std::string& name);

}  // namespace mendora
