#include "console/RunSummary.h"

#include <cstdio>

#include "console/StatusTexts.h"

namespace mendora {

std::string RevertSummary(std::uint32_t badBlocks, std::int64_t elapsedSeconds) {
    // A clock set back during the run would give a negative span; show it as none.
    const std::int64_t elapsed = elapsedSeconds < 0 ? 0 : elapsedSeconds;
    char text[96];
    std::snprintf(text, sizeof text, "Bad Blocks : %d, Escape time : %02d mins %02d secs", static_cast<int>(badBlocks),
                  static_cast<int>(elapsed / 60 % 60), static_cast<int>(elapsed % 60));
    return text;
}

std::string RevertStatusLine(std::uint8_t status, std::uint32_t currentBlock, std::uint32_t badBlocks) {
    char text[128];
    std::snprintf(text, sizeof text, "Status : %s\nScanned Blocks : %d\nBad Blocks : %d", StatusText(status),
                  static_cast<int>(currentBlock), static_cast<int>(badBlocks));
    return text;
}

}  // namespace mendora
