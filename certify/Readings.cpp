#include "certify/Readings.h"

#include <numeric>

namespace mendora::certify {

namespace {

void Append(std::vector<SectorRun>& runs, std::uint64_t first, std::uint64_t count) {
    if (count == 0) return;
    if (!runs.empty() && runs.back().first + runs.back().count == first) {
        runs.back().count += count;
    } else {
        runs.push_back({first, count});
    }
}

}  // namespace

void Readings::Saw(std::uint64_t position, std::optional<std::uint64_t> stampOf) {
    if (!stampOf) return SawNothing(position, 1);
    if (*stampOf != position) {
        const std::uint64_t distance = *stampOf > position ? *stampOf - position : position - *stampOf;
        period_ = std::gcd(period_, distance);
    }
    Append(holding_, position, 1);
}

void Readings::SawNothing(std::uint64_t first, std::uint64_t count) { Append(nothing_, first, count); }

std::uint64_t Readings::HeldBelow(std::uint64_t limit) const {
    for (auto run = holding_.rbegin(); run != holding_.rend(); ++run) {
        if (run->first >= limit) continue;
        return std::min(limit, run->first + run->count);
    }
    return 0;
}

std::vector<SectorRun> Readings::LostBelow(std::uint64_t held) const {
    std::vector<SectorRun> lost;
    for (const SectorRun& run : nothing_) {
        if (run.first >= held) break;
        lost.push_back({run.first, std::min(run.count, held - run.first)});
    }
    return lost;
}

std::uint64_t CountOf(const std::vector<SectorRun>& runs) {
    std::uint64_t n = 0;
    for (const SectorRun& run : runs) n += run.count;
    return n;
}

}  // namespace mendora::certify
