#pragma once
#include <atomic>
#include <cstdint>

#include "certify/DiskAccess.h"
#include "certify/Progress.h"
#include "certify/SectorKeeper.h"
#include "certify/Verdict.h"

namespace mendora::certify {

struct QuickSettings {
    std::uint64_t run = 1;        // the stamps' run; later steps use the numbers after it
    std::uint32_t seed = 1;       // draws the sample
    std::size_t sample = 512;     // sectors drawn across the capacity
    const std::atomic<bool>* stop = nullptr;
};

// The quick certify: a stamp at each planned position, all read back once all are written;
// then a wrap-around confirmed at its smallest period and the real size found to the
// sector by halving the gap between the last sector that held and the first that did not.
// Everything it overwrites is kept in `keeper` for the caller to write back.
Findings RunQuick(DiskAccess& disk, std::uint64_t announced, const QuickSettings& settings, Progress& progress,
                  SectorKeeper& keeper);

}  // namespace mendora::certify
