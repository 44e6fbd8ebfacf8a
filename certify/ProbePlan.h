#pragma once
#include <cstdint>
#include <vector>

namespace mendora::certify {

// Where a quick certify writes, in ascending order and each once: the first and last
// announced sectors, both sides of every power-of-two boundary below the announced capacity
// (where a drive that ignores address bits wraps around), and `sample` sectors drawn from
// `seed` across the whole capacity.
std::vector<std::uint64_t> QuickPositions(std::uint64_t announcedSectors, std::uint32_t seed, std::size_t sample);

}  // namespace mendora::certify
