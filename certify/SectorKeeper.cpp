#include "certify/SectorKeeper.h"

#include <cstring>

namespace mendora::certify {

bool SectorKeeper::Keep(DiskAccess& disk, std::uint64_t first, std::uint16_t count) {
    bool allKept = true;
    for (std::uint16_t i = 0; i < count && allKept; ++i) allKept = seen_.contains(first + i);
    if (allKept) return true;
    std::vector<std::uint8_t> bytes(std::size_t{count} * kSectorBytes);
    const Transfer read = disk.Read(static_cast<std::uint32_t>(first), count, bytes);
    if (read == Transfer::Lost || read == Transfer::TooLarge) return false;
    if (read == Transfer::Refused) std::fill(bytes.begin(), bytes.end(), 0);
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!seen_.insert(first + i).second) continue;
        Kept kept{first + i, {}};
        std::memcpy(kept.bytes.data(), bytes.data() + std::size_t{i} * kSectorBytes, kSectorBytes);
        kept_.push_back(kept);
    }
    return true;
}

bool SectorKeeper::Restore(DiskAccess& disk) {
    bool all = true;
    // A sector that refuses the write holds nothing to give back anyway.
    for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
        const Transfer written = disk.Write(static_cast<std::uint32_t>(kept->sector), 1, kept->bytes);
        if (written == Transfer::Lost || written == Transfer::TooLarge) all = false;
    }
    kept_.clear();
    seen_.clear();
    return all;
}

}  // namespace mendora::certify
