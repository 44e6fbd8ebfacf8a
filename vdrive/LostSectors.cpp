#include "vdrive/LostSectors.h"

#include <algorithm>
#include <random>
#include <unordered_set>

namespace mendora::vdrive {

std::vector<std::uint64_t> ChooseLostSectors(std::uint32_t count, std::uint32_t seed, std::uint64_t held) {
    std::vector<std::uint64_t> sectors;
    if (held == 0 || count == 0) return sectors;
    if (count >= held) {
        for (std::uint64_t s = 0; s < held; ++s) sectors.push_back(s);
        return sectors;
    }
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::uint64_t> pick(0, held - 1);
    std::unordered_set<std::uint64_t> chosen;
    while (chosen.size() < count) chosen.insert(pick(random));
    sectors.assign(chosen.begin(), chosen.end());
    std::sort(sectors.begin(), sectors.end());
    return sectors;
}

const std::vector<std::uint64_t>& LostSectorCache::For(std::uint32_t count, std::uint32_t seed, std::uint64_t held) {
    if (count != count_ || seed != seed_ || held != held_) {
        sectors_ = ChooseLostSectors(count, seed, held);
        count_ = count;
        seed_ = seed;
        held_ = held;
    }
    return sectors_;
}

}  // namespace mendora::vdrive
