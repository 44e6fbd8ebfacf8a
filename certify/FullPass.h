#pragma once
#include <atomic>
#include <cstdint>

#include "certify/DiskAccess.h"
#include "certify/Progress.h"
#include "certify/Verdict.h"

namespace mendora::certify {

struct FullSettings {
    std::uint64_t run = 1;
    // Sectors per command at most; the transport's limit lowers it, a host that refuses a
    // transfer halves it.
    std::uint32_t largestTransfer = 2048;
    const std::atomic<bool>* stop = nullptr;
};

// The full certify: every announced sector written with its stamp, then every one read
// back, in the largest transfers the host takes; the next command's stamps are made, and
// the last command's data checked, while the drive carries the current one. What the drive
// held is not kept: the caller has it formatted again.
Findings RunFull(DiskAccess& disk, std::uint64_t announced, const FullSettings& settings, Progress& progress);

}  // namespace mendora::certify
