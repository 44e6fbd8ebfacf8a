#pragma once
#include <cstdint>
#include <vector>

namespace mendora::vdrive {

// `count` distinct sectors of a disk of `held` sectors (all of them when it has fewer),
// drawn from `seed`, in ascending order.
std::vector<std::uint64_t> ChooseLostSectors(std::uint32_t count, std::uint32_t seed, std::uint64_t held);

// The last choice, kept: a disk's lost sectors change only with its format.
class LostSectorCache {
public:
    const std::vector<std::uint64_t>& For(std::uint32_t count, std::uint32_t seed, std::uint64_t held);

private:
    std::uint32_t count_ = 0;
    std::uint32_t seed_ = 0;
    std::uint64_t held_ = 0;
    std::vector<std::uint64_t> sectors_;
};

}  // namespace mendora::vdrive
