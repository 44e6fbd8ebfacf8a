#include <algorithm>
#include <bit>
#include <cstring>

#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"

namespace mendora {

namespace {

constexpr std::uint8_t kPatternSpare[4] = {0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace

// Sectors one command moves, and never more than the pattern buffer holds.
std::uint32_t RevertEngine::PieceSectors() const { return std::min(chunkSize_ / 512, PatternBufferSectors()); }

bool RevertEngine::WriteBlock(std::uint32_t block, std::uint32_t planes) {
    const std::uint32_t limit = PieceSectors();
    if (limit == 0 || !CanSend()) return false;
    bool written = true;
    if (PageListActive()) {
        std::uint32_t address = block * sectorsPerBlock_ + options_.PageListFirst * sectorsPerPage_;
        for (std::uint32_t left = SectorsPerBlockTest(); left > 0;) {
            std::uint32_t piece = std::min(limit, left);
            if (patternMode_ == 3) ReadPatternData(piece * 512);
            written = ScsiDevice::WritePages(*drive_, address, piece, pattern_.data(), mask_, kPatternSpare) && written;
            address += piece;
            left -= piece;
        }
        return written;
    }
    const std::uint32_t total = sectorsPerBlock_ * planes;
    const bool paired = options_.PairedPageMode != 0;
    std::uint32_t chunk = limit;
    const std::uint8_t* source = pattern_.data();
    for (std::uint32_t done = 0; done < total;) {
        chunk = std::min(chunk, total - done);
        if (patternMode_ == 3) {
            source = pattern_.data();
            ReadPatternData(chunk * 512);
        }
        std::uint32_t count = paired ? chunk / 2 : chunk;
        written = ScsiDevice::WritePages(*drive_, block * sectorsPerBlock_ + done, count, source, mask_,
                                         kPatternSpare) && written;
        done += chunk;
        source += std::size_t{chunk} * 512;
    }
    return written;
}

bool RevertEngine::VerifyBlock(std::uint32_t block) {
    if (!CanSend()) return false;
    if (!PageListActive()) {
        // The controller compares on its own and answers the flipped bits of the worst sector.
        if (!ScsiDevice::ReadPages(*drive_, block * sectorsPerBlock_, chunkSize_, transfer_.data(), mask_, 1))
            return false;
        return transfer_[0] <= eccLimit_;
    }
    const std::uint32_t limit = PieceSectors();
    if (limit == 0) return false;
    const std::uint32_t total = SectorsPerBlockTest();
    std::uint32_t address = block * sectorsPerBlock_ + options_.PageListFirst * sectorsPerPage_;
    for (std::uint32_t done = 0; done < total;) {
        std::uint32_t chunk = std::min(limit, total - done);
        const std::size_t bytes = std::size_t{chunk} * 512;
        std::fill_n(transfer_.begin(), bytes, 0);
        if (patternMode_ == 3) ReadPatternData(chunk * 512);
        if (!ScsiDevice::ReadPages(*drive_, address, chunk * 512, transfer_.data(), mask_, 0)) return false;
        if (std::memcmp(transfer_.data(), pattern_.data(), bytes) != 0 && !TolerantCompare(chunk, done, block)) {
            if (patternMode_ == 3) SkipPatternData(done + chunk, total);
            return false;
        }
        address += chunk;
        done += chunk;
    }
    return true;
}

// Counts flipped bits sector by sector against the pattern buffer's start; a sector fails
// as soon as it has more than the tolerated bits, and the others are still looked at.
bool RevertEngine::TolerantCompare(std::uint32_t sectors, std::uint32_t /*firstSector*/, std::uint32_t /*block*/) {
    sectors = std::min<std::uint32_t>(sectors, static_cast<std::uint32_t>(std::min(transfer_.size(), pattern_.size()) / 512));
    bool passed = true;
    for (std::uint32_t s = 0; s < sectors; ++s) {
        const std::uint8_t* read = transfer_.data() + std::size_t{s} * 512;
        const std::uint8_t* expected = pattern_.data() + std::size_t{s} * 512;
        std::uint32_t flipped = 0;
        for (std::size_t i = 0; i < 512 && flipped <= eccLimit_; ++i) {
            flipped += static_cast<std::uint32_t>(std::popcount(static_cast<std::uint8_t>(read[i] ^ expected[i])));
        }
        if (flipped > eccLimit_) passed = false;
    }
    return passed;
}

}  // namespace mendora
