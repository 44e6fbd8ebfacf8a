#include "console/BadBlockShare.h"

#include <algorithm>
#include <cstdio>

namespace mendora {

namespace {
constexpr std::uint32_t kDefaultTotal = 1536;
}

BadBlockShare BadBlockShareOf(std::uint32_t bad, std::uint32_t total, std::uint16_t divisor, const std::string& name) {
    std::uint32_t whole = kDefaultTotal;
    std::uint32_t cap = kDefaultTotal;
    if (total != 0 && divisor != 0) {
        whole = total;
        cap = total / divisor;
    }
    bad = std::min(bad, cap);
    BadBlockShare share;
    // 64 bits: bad x 360 can pass 32 bits on a large total.
    share.spanDegrees = static_cast<std::uint32_t>(std::uint64_t{bad} * 360 / whole);
    char text[320];
    std::snprintf(text, sizeof text, "%s : %.2f %%", name.c_str(), static_cast<double>(bad) * 100.0 / whole);
    share.label = text;
    return share;
}

}  // namespace mendora
