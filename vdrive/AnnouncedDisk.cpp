#include "vdrive/AnnouncedDisk.h"

#include <algorithm>
#include <cstring>

namespace mendora::vdrive {

namespace {

std::uint64_t PowerOfTwoAtLeast(std::uint64_t n) {
    std::uint64_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

constexpr std::uint64_t kNowhere = ~std::uint64_t{0};

}  // namespace

AnnouncedDisk::AnnouncedDisk(ImageFile& image) : image_(image), disk_(image) {
    held_ = disk_.Sectors();
    const format::Header& h = image.header();
    const Geometry& g = image.geometry();
    announced_ = std::max(held_, disk_.Ready() ? h.announcedSectors : 0);
    module_ = PowerOfTwoAtLeast(std::max(held_, g.TotalPages() * g.sectorsPerPage));
}

template <typename Land>
bool AnnouncedDisk::ForEachRun(std::uint64_t firstSector, std::uint32_t count, Land land) {
    for (std::uint32_t done = 0; done < count;) {
        const std::uint64_t place = (firstSector + done) % module_;
        const std::uint64_t runEnd = place < held_ ? held_ : module_;
        const auto run = static_cast<std::uint32_t>(std::min<std::uint64_t>(count - done, runEnd - place));
        if (!land(place < held_ ? place : kNowhere, run, std::size_t{done} * 512)) return false;
        done += run;
    }
    return true;
}

void AnnouncedDisk::Read(std::uint64_t firstSector, std::uint32_t count, std::uint8_t* out) {
    ForEachRun(firstSector, count, [&](std::uint64_t at, std::uint32_t run, std::size_t offset) {
        if (at == kNowhere) {
            std::memset(out + offset, 0, std::size_t{run} * 512);
        } else {
            disk_.Read(at, run, out + offset);
        }
        return true;
    });
}

bool AnnouncedDisk::Write(std::uint64_t firstSector, std::uint32_t count, const std::uint8_t* data) {
    return ForEachRun(firstSector, count, [&](std::uint64_t at, std::uint32_t run, std::size_t offset) {
        return at == kNowhere || WriteKeepingLost(at, run, data + offset);
    });
}

// Writes the run but for its lost sectors.
bool AnnouncedDisk::WriteKeepingLost(std::uint64_t heldSector, std::uint32_t count, const std::uint8_t* data) {
    const format::Header& h = image_.header();
    const auto& lost = image_.lostSectors().For(h.lostSectors, h.lostSeed, held_);
    std::uint64_t at = heldSector;
    const std::uint64_t end = heldSector + count;
    for (auto next = std::lower_bound(lost.begin(), lost.end(), at); at < end; ++next) {
        const std::uint64_t stop = next == lost.end() ? end : std::min(*next, end);
        if (stop > at &&
            !disk_.Write(at, static_cast<std::uint32_t>(stop - at), data + (at - heldSector) * 512))
            return false;
        at = stop + 1;
        if (next == lost.end()) break;
    }
    return true;
}

}  // namespace mendora::vdrive
