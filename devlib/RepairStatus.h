#pragma once
#include <atomic>
#include <cstdint>

namespace mendora::devlib {

inline constexpr int kRepairIdle = 0;
inline constexpr int kRepairRunning = 1;
inline constexpr int kRepairFinished = 0xFF;

// What a repair reports while it runs; any thread may read it at any moment.
struct RepairStatus {
    std::atomic<int> progress{0};  // percent
    std::atomic<int> state{kRepairIdle};
    std::atomic<std::uint32_t> errorCode{0};
    std::atomic<std::uint32_t> badBlocks{0};    // blocks the scan found marked
    std::atomic<std::uint32_t> totalBlocks{0};  // all blocks of all chips
};

}  // namespace mendora::devlib
