#include "console/StatusTexts.h"

#include <array>

namespace mendora {

namespace {

constexpr std::array<const char*, 13> kStatusTexts = {
    "UserBreak",     "Can't Mark Bad", "Finish",      "Writing data", "Read & Verify", "",
    "Blank Checking", "Erase first",   "Flash Error", "Unknown Error", "Ready",        "Can not erase",
    "Test Redundant",
};

}  // namespace

const char* StatusText(std::uint8_t status) {
    // The engine reports only the codes of the table; anything else shows no text.
    return status < kStatusTexts.size() ? kStatusTexts[status] : "";
}

}  // namespace mendora
