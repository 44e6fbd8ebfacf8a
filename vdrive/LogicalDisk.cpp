#include "vdrive/LogicalDisk.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "vdrive/Nand.h"

namespace mendora::vdrive {

std::uint64_t LogicalDisk::Format() {
    Lose();
    const Geometry& g = image_.geometry();
    Nand nand(image_);
    std::uint64_t good = 0;
    for (std::uint32_t chip = 0; chip < g.chipEnables; ++chip) {
        for (std::uint32_t block = 0; block < g.BlocksPerChip(); ++block) good += !nand.IsMarked(chip, block);
    }
    format::State& s = image_.state();
    s.diskSectors = good * g.SectorsPerBlock();
    s.diskReady = 1;
    return s.diskSectors;
}

void LogicalDisk::Lose() {
    format::State& s = image_.state();
    if (s.diskPagesUsed > 0) {
        const std::uint64_t pages = image_.geometry().TotalPages();
        for (std::uint64_t page = 0; page < pages && s.diskPagesUsed > 0; ++page) {
            std::uint32_t& slot = image_.diskSlot(page);
            if (slot == 0) continue;
            store_.Release(slot);
            slot = 0;
            --s.diskPagesUsed;
        }
    }
    image_.DiscardDiskTable();
    s.diskPagesUsed = 0;
    s.diskReady = 0;
    s.diskSectors = 0;
}

void LogicalDisk::Read(std::uint64_t firstSector, std::uint32_t count, std::uint8_t* out) {
    const std::uint32_t perPage = image_.geometry().sectorsPerPage;
    for (std::uint32_t done = 0; done < count;) {
        std::uint64_t sector = firstSector + done;
        std::uint32_t inPage = static_cast<std::uint32_t>(sector % perPage);
        std::uint32_t piece = std::min(count - done, perPage - inPage);
        const std::uint8_t* content = store_.Content(image_.diskSlot(sector / perPage));
        std::uint8_t* to = out + std::size_t{done} * 512;
        if (content == nullptr) {
            std::memset(to, 0, std::size_t{piece} * 512);
        } else {
            std::memcpy(to, content + std::size_t{inPage} * 512, std::size_t{piece} * 512);
        }
        done += piece;
    }
}

bool LogicalDisk::Write(std::uint64_t firstSector, std::uint32_t count, const std::uint8_t* data) {
    const std::uint32_t perPage = image_.geometry().sectorsPerPage;
    std::vector<std::uint8_t> page(image_.geometry().PageBytes());
    for (std::uint32_t done = 0; done < count;) {
        std::uint64_t sector = firstSector + done;
        std::uint64_t logicalPage = sector / perPage;
        std::uint32_t inPage = static_cast<std::uint32_t>(sector % perPage);
        std::uint32_t piece = std::min(count - done, perPage - inPage);
        std::uint32_t old = image_.diskSlot(logicalPage);
        // A disk write replaces the sectors; the rest of the page keeps what it held.
        if (const std::uint8_t* before = store_.Content(old)) {
            std::memcpy(page.data(), before, page.size());
        } else {
            std::fill(page.begin(), page.end(), 0);
        }
        std::memcpy(page.data() + std::size_t{inPage} * 512, data + std::size_t{done} * 512, std::size_t{piece} * 512);
        std::uint32_t slot = store_.Intern(page.data());
        if (slot == 0) return false;
        if (old != 0) {
            store_.Release(old);
        } else {
            ++image_.state().diskPagesUsed;
        }
        image_.diskSlot(logicalPage) = slot;
        done += piece;
    }
    return true;
}

}  // namespace mendora::vdrive
