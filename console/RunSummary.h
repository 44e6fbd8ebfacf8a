#pragma once
#include <cstdint>
#include <string>

namespace mendora {

// The status line the revert phase ends with: "Bad Blocks : 7, Escape time : 05 mins 03 secs".
// Only the minutes of the hour and the seconds of the minute are shown.
std::string RevertSummary(std::uint32_t badBlocks, std::int64_t elapsedSeconds);

// The line the status text shows while the revert runs.
std::string RevertStatusLine(std::uint8_t status, std::uint32_t currentBlock, std::uint32_t badBlocks);

}  // namespace mendora
