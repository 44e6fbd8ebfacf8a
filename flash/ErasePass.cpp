#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"
#include "flash/TextFormat.h"

namespace mendora {

void RevertEngine::EraseOneBlock(std::uint32_t block) {
    if (!CanSend()) return;
    ScsiDevice::EraseBlock(*drive_, block * sectorsPerBlock_, transfer_.data(), mask_);
}

std::uint8_t RevertEngine::EraseAll(std::uint8_t showProgress) {
    if (NoEraseFlash()) return revert_status::kFinish;
    if (!IsReady()) {
        geo_.Status.store(revert_status::kUnknownError, std::memory_order_relaxed);
        return revert_status::kUnknownError;
    }
    const bool show = showProgress != 0;
    if (show) {
        LogLine("Begin erase block\n", 1);
        geo_.Status.store(revert_status::kEraseFirst, std::memory_order_relaxed);
        geo_.PatternCode.store(7, std::memory_order_relaxed);
        geo_.BadBlockCount.store(previousCount_, std::memory_order_relaxed);
        if (geo_.ProgressShare == 1) LogLine(Format("Erase cal Carry:%d\n", 0), 4);
        StartProgress(geo_.ProgressShare);
    }
    previousCount_ = badCount_;
    badCount_ = 0;
    const std::uint32_t step = SelectInterleave();
    SetTwoPlane(1);
    std::uint8_t result = revert_status::kFinish;
    for (std::uint32_t chip = 0; chip < chipCount_ && result == revert_status::kFinish; chip += step) {
        geo_.CurrentChip.store(chip, std::memory_order_relaxed);
        for (std::uint32_t block = startBlock_; block < endBlock_; block += planes_) {
            if (StopRequested()) {
                result = Stopped();
                break;
            }
            TickProgress(planes_, show);
            if (IsExcludedBlock(block)) continue;
            if (testLevel_ == 0) {
                EraseOneBlock(block);
            } else if (!ScsiDevice::EraseBlockWithStatus(*drive_, block * sectorsPerBlock_, mask_)) {
                geo_.Status.store(revert_status::kCannotErase, std::memory_order_relaxed);
                NoteReason(chip, block, bad_block_reason::kFailedErase);
                result = revert_status::kCannotErase;
                break;
            }
            if (show) geo_.CurrentBlock.store(block, std::memory_order_relaxed);
        }
        ShiftMask(step);
    }
    SetTwoPlane(0);
    if (show) FinishProgress();
    return result;
}

}  // namespace mendora
