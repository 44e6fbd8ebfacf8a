#pragma once
#include <array>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "certify/DiskAccess.h"
#include "certify/Stamp.h"

namespace mendora::certify {

// What a certify overwrites, kept as it was before the first write to each sector and
// written back in the reverse order of keeping: where two addresses share one place (a
// drive that wraps around), the place ends up with what it held before any write.
class SectorKeeper {
public:
    // Reads and keeps `count` sectors from `first` not kept yet; false when the read failed
    // at the transport. A sector the drive refuses to read is kept as zeros.
    bool Keep(DiskAccess& disk, std::uint64_t first, std::uint16_t count);
    // Writes everything kept back; false when a write did not reach the drive.
    bool Restore(DiskAccess& disk);
    std::size_t Count() const { return kept_.size(); }

private:
    struct Kept {
        std::uint64_t sector;
        std::array<std::uint8_t, kSectorBytes> bytes;
    };
    std::vector<Kept> kept_;
    std::unordered_set<std::uint64_t> seen_;
};

}  // namespace mendora::certify
