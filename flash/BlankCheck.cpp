#include <algorithm>

#include "flash/RevertEngine.h"
#include "flash/TextFormat.h"

namespace mendora {

std::uint8_t RevertEngine::CheckBlank() {
    if (!IsReady()) {
        pageList_.clear();
        geo_.Status.store(revert_status::kUnknownError, std::memory_order_relaxed);
        return revert_status::kUnknownError;
    }
    StartProgress(geo_.ProgressShare);
    previousCount_ = badCount_;
    // What a blank page reads as, for a comparison on the host.
    std::fill_n(pattern_.begin(), std::min<std::size_t>(chunkSize_, pattern_.size()), 0xFF);
    badCount_ = 0;
    mask_ = 1;
    eccLimit_ = 0;
    geo_.Status.store(revert_status::kBlankChecking, std::memory_order_relaxed);
    geo_.BadBlockCount.store(0, std::memory_order_relaxed);

    std::uint8_t result = revert_status::kFinish;
    for (std::uint32_t chip = 0; chip < chipCount_ && result == revert_status::kFinish; ++chip) {
        geo_.CurrentChip.store(chip, std::memory_order_relaxed);
        for (std::uint32_t block = startBlock_; block < endBlock_; ++block) {
            if (auto failed = BlankCheckBlock(chip, block)) {
                result = *failed;
                break;
            }
        }
        mask_ = static_cast<std::uint8_t>(mask_ << 2);
    }
    if (result == revert_status::kFinish) {
        geo_.Status.store(revert_status::kFinish, std::memory_order_relaxed);
        if (options_.RecordBadBlockTable != 0) {
            const std::uint64_t before = drive_ ? drive_->NotCarried() : 0;
            WriteBadBlockTable();
            if (auto lost = FlashLostSince(before)) result = *lost;
        }
    }
    if (result == revert_status::kFinish) {
        if (patternTestRan_ && badCount_ < previousCount_) {
            LogLine(Format("Bad blocks(%ld) record in flash is not equal to we tested (%ld)!\n",
                           static_cast<long>(badCount_), static_cast<long>(previousCount_)),
                    1);
            geo_.BadBlockCount.store(badCount_, std::memory_order_relaxed);
            if (host_.registry.ReadDword("software\\kzrevert", "SkipCannotmarkBad").value_or(1) == 0) {
                result = revert_status::kCantMarkBad;
                geo_.Status.store(result, std::memory_order_relaxed);
            }
        }
        LogLine(Format("Check total bad block count= %ld\n", static_cast<long>(badCount_)), 1);
    }
    pageList_.clear();
    FinishProgress();
    return result;
}

// One block of the blank check; a result when the pass ends here.
std::optional<std::uint8_t> RevertEngine::BlankCheckBlock(std::uint32_t chip, std::uint32_t block) {
    geo_.CurrentBlock.store(block, std::memory_order_relaxed);
    if (StopRequested()) return Stopped();
    TickProgress(planes_);
    if (IsExcludedBlock(block)) return std::nullopt;
    const std::uint64_t before = drive_ ? drive_->NotCarried() : 0;
    if (IsMarkedBad(block, false)) {
        LogLine(Format("CheckBlank <%d Mark Bad> Bad block = %lx CE=%d\r\n", static_cast<int>(badCount_),
                       static_cast<unsigned long>(block), mask_),
                1);
        geo_.BadBlockCount.store(badCount_, std::memory_order_relaxed);
        return FlashLostSince(before);
    }
    // A mark that could not be read is no proof of a good block: the drive may be gone.
    if (auto lost = FlashLostSince(before)) return lost;
    std::uint8_t& entry = badBlockMap_[std::size_t{chip} * geo_.BlocksPerChip + block];
    if (entry == 1) entry = 2;  // found bad by the pattern test, but its mark does not read back
    if (testLevel_ != 2 || VerifyBlock(block)) return std::nullopt;
    if (!FlashPresent()) {
        geo_.Status.store(revert_status::kFlashError, std::memory_order_relaxed);
        return revert_status::kFlashError;
    }
    MarkBad(block);
    ++badCount_;
    ++previousCount_;
    return FlashLostSince(before);
}

// Status 8 when a command since the count `notCarried` was not carried and the flash no
// longer answers; a drive pulled out never passes for a checked one.
std::optional<std::uint8_t> RevertEngine::FlashLostSince(std::uint64_t notCarried) {
    if (!drive_ || drive_->NotCarried() == notCarried || FlashPresent()) return std::nullopt;
    geo_.Status.store(revert_status::kFlashError, std::memory_order_relaxed);
    return revert_status::kFlashError;
}

}  // namespace mendora
