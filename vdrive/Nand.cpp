#include "vdrive/Nand.h"

#include <cstring>
#include <vector>

namespace mendora::vdrive {

namespace {

using format::BlockKind;

// Bits a grown-bad block flips in every sector it reads back.
constexpr std::uint8_t kGrownBadFlips = 255;

bool HasZeroNibble(std::uint8_t b) { return (b & 0x0F) == 0 || (b & 0xF0) == 0; }

// Spreads the flipped bits of a sector over different bytes.
void FlipBits(std::uint8_t* sector, std::uint8_t bits) {
    for (std::uint32_t i = 0; i < bits; ++i) {
        std::uint32_t bit = (i * 1031u + 7u) % 4096u;
        sector[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    }
}

}  // namespace

bool IsBadMarkPair(std::uint8_t byte4, std::uint8_t byte5) {
    return HasZeroNibble(byte4) || HasZeroNibble(byte5);
}

std::uint32_t Nand::PageNumber(const PageAddress& at) const {
    return at.block * image_.geometry().pagesPerBlock + at.page;
}

bool Nand::Erase(std::uint32_t chip, std::uint32_t block) {
    ++work_.erases;
    format::BlockRecord& record = image_.block(chip, block);
    if (record.kind == BlockKind::GrownBad) return false;
    ++record.eraseCount;
    for (std::uint32_t page = 0; page < image_.geometry().pagesPerBlock; ++page) {
        format::PageRecord& stored = image_.page(chip, block, page);
        if (stored.slot == 0) continue;
        store_.Release(stored.slot);
        image_.page(chip, block, page) = format::PageRecord{};
    }
    return true;
}

Programmed Nand::Program(const PageAddress& at, std::uint32_t firstSector, std::uint32_t count,
                         const std::uint8_t* data, const std::uint8_t user[4]) {
    ++work_.programs;
    format::BlockRecord record = image_.block(at.chip, at.block);
    if (record.kind == BlockKind::FactoryBad) return Programmed::Refused;
    const std::uint32_t pageBytes = image_.geometry().PageBytes();
    format::PageRecord old = image_.page(at.chip, at.block, at.page);
    const std::uint8_t* content = data;
    std::vector<std::uint8_t> merged;
    bool whole = firstSector == 0 && count * 512 == pageBytes;
    if (old.slot != 0 || !whole) {
        // Programming clears bits only: the new page is the old one AND the new sectors.
        merged.assign(pageBytes, 0xFF);
        if (const std::uint8_t* before = store_.Content(old.slot)) std::memcpy(merged.data(), before, pageBytes);
        std::uint8_t* target = merged.data() + firstSector * 512;
        for (std::uint32_t i = 0; i < count * 512; ++i) target[i] &= data[i];
        content = merged.data();
    }
    // The bytes find room first: a full disk leaves the page as it was.
    std::uint32_t slot = store_.Intern(content);
    if (slot == 0) return Programmed::NoRoom;
    if (old.slot != 0) store_.Release(old.slot);
    format::PageRecord next{slot, {0xFF, 0xFF, 0xFF, 0xFF}};
    if (old.slot != 0) std::memcpy(next.user, old.user, sizeof next.user);
    if (!(record.flags & format::kMarkSlips)) {
        for (int i = 0; i < 4; ++i) next.user[i] &= user[i];
    }
    image_.page(at.chip, at.block, at.page) = next;
    return Programmed::Done;
}

void Nand::Read(const PageAddress& at, std::uint32_t firstSector, std::uint32_t count, std::uint8_t* out) {
    ++work_.reads;
    format::PageRecord stored = image_.page(at.chip, at.block, at.page);
    const std::uint8_t* content = store_.Content(stored.slot);
    if (content == nullptr) {
        std::memset(out, 0xFF, count * 512);
        return;
    }
    std::memcpy(out, content + firstSector * 512, count * 512);
    format::BlockRecord record = image_.block(at.chip, at.block);
    std::uint8_t flipped = record.kind == BlockKind::Weak ? record.weakBits : 0;
    if (record.kind == BlockKind::GrownBad) flipped = kGrownBadFlips;
    for (std::uint32_t s = 0; flipped != 0 && s < count; ++s) FlipBits(out + s * 512, flipped);
}

std::array<std::uint8_t, 16> Nand::Spare(const PageAddress& at) {
    ++work_.reads;
    std::array<std::uint8_t, 16> spare;
    spare.fill(0xFF);
    const std::uint32_t lastPage = image_.geometry().pagesPerBlock - 1;
    if (image_.block(at.chip, at.block).kind == BlockKind::FactoryBad && (at.page == 0 || at.page == lastPage)) {
        spare.fill(0x00);  // the maker's mark, which no erase removes
        return spare;
    }
    format::PageRecord stored = image_.page(at.chip, at.block, at.page);
    if (stored.slot == 0) return spare;
    std::uint32_t number = PageNumber(at);
    spare[0] = static_cast<std::uint8_t>(number);
    spare[1] = static_cast<std::uint8_t>(number >> 8);
    spare[2] = static_cast<std::uint8_t>(number >> 16);
    std::memcpy(&spare[3], stored.user, 4);
    return spare;
}

std::uint8_t Nand::WorstFlippedBits(std::uint32_t chip, std::uint32_t block) {
    format::BlockRecord record = image_.block(chip, block);
    if (record.kind == BlockKind::FactoryBad) return 0xFF;
    if (record.kind != BlockKind::Weak && record.kind != BlockKind::GrownBad) return 0;
    // A grown-bad block no longer holds what is written to it: beyond any error correction.
    std::uint8_t flipped = record.kind == BlockKind::Weak ? record.weakBits : 0xFF;
    for (std::uint32_t page = 0; page < image_.geometry().pagesPerBlock; ++page) {
        if (image_.page(chip, block, page).slot != 0) return flipped;
    }
    return 0;
}

bool Nand::IsMarked(std::uint32_t chip, std::uint32_t block) {
    for (std::uint32_t page : {0u, image_.geometry().pagesPerBlock - 1}) {
        auto spare = Spare({chip, block, page});
        if (!(spare[4] == 0xFF && spare[5] == 0xFF) && IsBadMarkPair(spare[4], spare[5])) return true;
    }
    return false;
}

}  // namespace mendora::vdrive
