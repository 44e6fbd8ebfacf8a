#include <algorithm>
#include <cstring>

#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"
#include "flash/TextFormat.h"

namespace mendora {

namespace {

bool HasZeroNibble(std::uint8_t b) { return (b & 0x0F) == 0 || (b & 0xF0) == 0; }

// A mark byte pair is bad when any of its four nibbles is zero.
bool IsBadPair(const std::uint8_t* spare) { return HasZeroNibble(spare[4]) || HasZeroNibble(spare[5]); }

bool AllFF(const std::uint8_t* from, const std::uint8_t* to) {
    return std::all_of(from, to, [](std::uint8_t b) { return b == 0xFF; });
}

// A page without a mark: bytes 3-5 (0-5 when the page number is not looked at) are FFh.
bool IsBlankSpare(const std::uint8_t* spare, bool checkPageNumber) {
    return AllFF(spare + (checkPageNumber ? 3 : 0), spare + 6);
}

bool BothFF(const std::uint8_t* spare) { return spare[4] == 0xFF && spare[5] == 0xFF; }

constexpr std::uint8_t kMarkSpare[4] = {0x00, 0x00, 0x00, 0x00};
constexpr std::uint8_t kTableSpare[4] = {0x00, 0x00, 0x02, 0x00};
constexpr std::uint32_t kBlocksPerTablePage = 1024;

}  // namespace

bool RevertEngine::IsMarkedBad(std::uint32_t block, bool checkPageNumber) {
    if (!CanSend()) return false;
    const bool paired = options_.PairedPageMode != 0;
    std::uint8_t spare[16];
    std::uint32_t first = block * sectorsPerBlock_ + (paired ? sectorsPerPage_ : 0);
    if (!ScsiDevice::ReadSpare(*drive_, first, spare, mask_)) return false;
    bool bad = false;
    if (checkPageNumber) {
        std::uint32_t number = spare[0] | spare[1] << 8 | spare[2] << 16;
        bad = number != block * geo_.PagesPerBlock + (paired ? 1 : 0);
    }
    bool readLast = !bad && IsBlankSpare(spare, checkPageNumber);
    if (!bad && !readLast) {
        if (BothFF(spare)) return false;
        bad = IsBadPair(spare);
        readLast = !bad;
    }
    if (readLast) {
        if (!ScsiDevice::ReadSpare(*drive_, (block + 1) * sectorsPerBlock_ - sectorsPerPage_, spare, mask_))
            return false;
        if (IsBlankSpare(spare, checkPageNumber)) return false;
        if (BothFF(spare)) {
            LogLine(Format("(L)<<Bad block mark offset 0~3 not all 0xFF>> blk=%lx.\n", static_cast<unsigned long>(block)),
                    1);
            return false;
        }
        bad = IsBadPair(spare);
    }
    if (bad) ++badCount_;
    return bad;
}

// Erases the block and programs zeros with a zero mark into its first and last page (the
// second-last with paired pages).
bool RevertEngine::MarkBad(std::uint32_t block) {
    if (!CanSend()) return true;
    const std::uint32_t pageSectors = sectorsPerPage_;
    ScsiDevice::EraseBlock(*drive_, block * sectorsPerBlock_, transfer_.data(), mask_);
    std::fill_n(transfer_.begin(), std::size_t{pageSectors} * 512, 0);
    ScsiDevice::WritePages(*drive_, block * sectorsPerBlock_, pageSectors, transfer_.data(), mask_, kMarkSpare);
    std::uint32_t last = (block + 1) * sectorsPerBlock_ - pageSectors;
    if (options_.PairedPageMode != 0) last -= pageSectors;
    ScsiDevice::WritePages(*drive_, last, pageSectors, transfer_.data(), mask_, kMarkSpare);
    return true;
}

// Per chip, into the first block not found bad: one page per 1024 blocks listing the bad
// ones ("bad_" and big-endian block numbers, FFh after), then the signature on the last page.
void RevertEngine::WriteBadBlockTable() {
    if (!CanSend()) return;
    const std::uint32_t blocksPerChip = geo_.BlocksPerChip;
    const std::size_t pageBytes = std::size_t{sectorsPerPage_} * 512;
    const std::uint32_t pageStep = options_.PairedPageMode != 0 ? 2 : 1;
    std::vector<std::uint8_t> page(pageBytes);
    mask_ = 1;
    for (std::uint32_t chip = 0; chip < chipCount_; ++chip, mask_ = static_cast<std::uint8_t>(mask_ << 2)) {
        const std::uint8_t* map = badBlockMap_.data() + std::size_t{chip} * blocksPerChip;
        std::uint32_t home = 0;
        while (home < endBlock_ && home < blocksPerChip && map[home] != 0) ++home;
        if (home >= endBlock_ || home >= blocksPerChip) continue;
        const std::uint32_t homeSector = home * sectorsPerBlock_;
        for (std::uint32_t i = 0; i < blocksPerChip / kBlocksPerTablePage; ++i) {
            // A table larger than the block would run into the next one.
            if (i * pageStep >= geo_.PagesPerBlock) break;
            std::fill(page.begin(), page.end(), 0xFF);
            std::memcpy(page.data(), "bad_", std::min<std::size_t>(4, pageBytes));
            std::size_t at = 4;
            for (std::uint32_t b = i * kBlocksPerTablePage; b < (i + 1) * kBlocksPerTablePage; ++b) {
                if (map[b] != 1 && map[b] != 2) continue;
                if (at + 2 > pageBytes) break;
                page[at++] = static_cast<std::uint8_t>(b >> 8);
                page[at++] = static_cast<std::uint8_t>(b);
                if (map[b] == 2) ++badCount_;
            }
            ScsiDevice::WritePages(*drive_, homeSector + i * pageStep * sectorsPerPage_, sectorsPerPage_, page.data(),
                                   mask_, kTableSpare);
        }
        std::fill(page.begin(), page.end(), 0xFF);
        std::memcpy(page.data(), "bad_", std::min<std::size_t>(4, pageBytes));
        ScsiDevice::WritePages(*drive_, homeSector + sectorsPerBlock_ - sectorsPerPage_, sectorsPerPage_, page.data(),
                               mask_, kTableSpare);
    }
}

}  // namespace mendora

