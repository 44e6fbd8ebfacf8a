#include "certify/ProbePlan.h"

#include <algorithm>
#include <random>

namespace mendora::certify {

std::vector<std::uint64_t> QuickPositions(std::uint64_t announced, std::uint32_t seed, std::size_t sample) {
    std::vector<std::uint64_t> positions;
    if (announced == 0) return positions;
    positions.push_back(0);
    positions.push_back(announced - 1);
    for (std::uint64_t boundary = 1; boundary < announced; boundary <<= 1) {
        positions.push_back(boundary - 1);
        positions.push_back(boundary);
    }
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::uint64_t> pick(0, announced - 1);
    for (std::size_t i = 0; i < sample; ++i) positions.push_back(pick(random));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

}  // namespace mendora::certify
