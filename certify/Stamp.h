#pragma once
#include <cstdint>
#include <optional>

namespace mendora::certify {

inline constexpr std::uint32_t kSectorBytes = 512;

// The data a certify writes into a sector: a header naming the run and the sector's
// position, then bytes drawn from both, so that every sector of every run differs and a
// sector that reads back anything else is caught whatever it holds instead.
void FillStamp(std::uint8_t* sector, std::uint64_t position, std::uint64_t run);

// The position whose stamp of this run the sector holds, untouched; empty for anything else
// (zeros, another run's data, a stamp with a byte changed).
std::optional<std::uint64_t> StampedPosition(const std::uint8_t* sector, std::uint64_t run);

}  // namespace mendora::certify
