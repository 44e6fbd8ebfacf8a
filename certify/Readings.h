#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace mendora::certify {

// A run of sectors [first, first + count).
struct SectorRun {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
};

// What the sectors read back, gathered in ascending order of position: each held its own
// stamp, another position's (the two share one place: the drive wraps around), or nothing
// of the run (zeros, garbage, a read that failed).
class Readings {
public:
    explicit Readings(std::uint64_t announcedSectors) : announced_(announcedSectors) {}

    // `stampOf`: the position whose stamp the sector held, empty when none.
    void Saw(std::uint64_t position, std::optional<std::uint64_t> stampOf);
    // `count` sectors from `first` that held nothing of the run.
    void SawNothing(std::uint64_t first, std::uint64_t count);

    // The greatest common divisor of the distances between positions that share a place;
    // 0 when none do. A drive that wraps around at N shows multiples of N.
    std::uint64_t AliasPeriod() const { return period_; }
    // The sectors that hold data, from the start: one past the last sector below `limit`
    // that held a stamp of its own place.
    std::uint64_t HeldBelow(std::uint64_t limit) const;
    // The sectors below `held` that held nothing: data lost.
    std::vector<SectorRun> LostBelow(std::uint64_t held) const;
    std::uint64_t announced() const { return announced_; }

private:
    std::uint64_t announced_;
    std::uint64_t period_ = 0;
    // Positions that held a stamp of their place, as ascending runs.
    std::vector<SectorRun> holding_;
    std::vector<SectorRun> nothing_;
};

std::uint64_t CountOf(const std::vector<SectorRun>& runs);

}  // namespace mendora::certify
