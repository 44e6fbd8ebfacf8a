#include <algorithm>

#include "flash/RevertEngine.h"
#include "flash/TextFormat.h"

namespace mendora {

namespace {

constexpr int kFlashProbes = 5;
constexpr std::uint32_t kProbePauseMs = 200;

}  // namespace

std::uint8_t RevertEngine::PatternTest(std::uint8_t patternMode) {
    if (!IsReady()) return revert_status::kUnknownError;
    if (patternMode == 2 && ring_.empty()) return revert_status::kUnknownError;
    patternTestRan_ = true;
    patternMode_ = patternMode;
    std::uint32_t share = geo_.ProgressShare / 2;
    if (testLevel_ == 2) share /= 2;
    StartProgress(share);

    bool present = false;
    for (int probe = 0; probe < kFlashProbes && !present; ++probe) {
        present = FlashPresent();
        if (!present) host_.clock.Sleep(kProbePauseMs);
    }
    if (!present) {
        ShowError("Flash not exist!");
        geo_.Status.store(revert_status::kFlashError, std::memory_order_relaxed);
        return EndPatternTest(revert_status::kFlashError);
    }
    FillPattern(0);
    geo_.BadBlockCount.store(previousCount_, std::memory_order_relaxed);
    if (PageListActive()) {
        pageList_.clear();
        for (std::uint32_t i = 0; i < options_.PageListCount; ++i) pageList_.push_back(options_.PageListFirst + i);
    }

    geo_.Status.store(revert_status::kWriting, std::memory_order_relaxed);
    badCount_ = 0;
    TimeLine("Start Write Time");
    RewindPatternFiles();
    std::uint32_t step = SelectInterleave();
    SetTwoPlane(1);
    if (auto end = WritePhase(false, step)) return EndPatternTest(*end);
    if (auto end = ReadPhase(false)) return EndPatternTest(*end);

    if (testLevel_ == 2 && patternMode_ != 3) {
        LogLine("Begin reverse Pattern Test\n", 1);
        if (badCount_ >= previousCount_) previousCount_ = badCount_;
        badCount_ = 0;
        geo_.Status.store(revert_status::kWriting, std::memory_order_relaxed);
        FillPattern(1);
        step = SelectInterleave();
        SetTwoPlane(1);
        if (auto end = WritePhase(true, step)) return EndPatternTest(*end);
        if (auto end = ReadPhase(true)) return EndPatternTest(*end);
    }
    geo_.Status.store(revert_status::kFinish, std::memory_order_relaxed);
    return EndPatternTest(revert_status::kFinish);
}

std::uint8_t RevertEngine::EndPatternTest(std::uint8_t result) {
    SetTwoPlane(0);
    FinishProgress();
    previousCount_ = badCount_;
    return result;
}

// After a block failed: a pattern stream that gives no bytes ends the pass with 9, a flash
// that no longer answers with 8.
std::optional<std::uint8_t> RevertEngine::StreamOrFlashLost() {
    std::uint8_t code = 0;
    if (streamFailed_) {
        code = revert_status::kUnknownError;
    } else if (!FlashPresent()) {
        code = revert_status::kFlashError;
    } else {
        return std::nullopt;
    }
    geo_.Status.store(code, std::memory_order_relaxed);
    return code;
}

std::optional<std::uint8_t> RevertEngine::WritePhase(bool inverted, std::uint32_t chipsPerStep) {
    for (std::uint32_t chip = 0; chip < chipCount_; chip += chipsPerStep) {
        geo_.CurrentChip.store(chip, std::memory_order_relaxed);
        for (std::uint32_t block = startBlock_; block < endBlock_; block += planes_) {
            if (!inverted) TickProgress(planes_);
            if (StopRequested()) return Stopped();
            if (inverted) TickProgress(planes_);
            if (auto end = HandleWrittenBlock(block, inverted)) return end;
        }
        ShiftMask(chipsPerStep);
    }
    if (!inverted) {
        SetTwoPlane(0);
        TimeLine("Complete Write Time");
        LogLine(Format("<Erase> and <Write> result: Bad block count = %ld\n", static_cast<long>(badCount_)), 1);
    } else {
        LogLine(Format("[High] <Write> result: Bad block count = %ld\n", static_cast<long>(badCount_)), 1);
        SetTwoPlane(0);
    }
    return std::nullopt;
}

std::optional<std::uint8_t> RevertEngine::HandleWrittenBlock(std::uint32_t block, bool inverted) {
    geo_.CurrentBlock.store(block, std::memory_order_relaxed);
    // Until an erase pass of this engine has finished, every block is erased before writing.
    if (!inverted && geo_.ProgressBase.load(std::memory_order_relaxed) == 0) EraseOneBlock(block);
    if (IsExcludedBlock(block)) return std::nullopt;
    if (!inverted && NoEraseFlash()) EraseOneBlock(block);
    bool written = WriteBlock(block, planes_);
    if (written && !streamFailed_) return std::nullopt;
    if (auto end = StreamOrFlashLost()) return end;
    LogLine(Format(inverted ? "<Write fail> Bad block = %lx CE=%d\n" : "<Write Fail> Bad block = %lx CE=%d\n",
                   static_cast<unsigned long>(block), mask_),
            1);
    // A pair counts both its blocks, but a range's odd last block counts once.
    badCount_ += std::min(planes_, endBlock_ - block);
    ShowCount();
    return std::nullopt;
}

std::optional<std::uint8_t> RevertEngine::ReadPhase(bool inverted) {
    if (!inverted) {
        RewindPatternFiles();
        geo_.Status.store(revert_status::kReadVerify, std::memory_order_relaxed);
        mask_ = 1;
        badCount_ = 0;
        TimeLine("Start Read Time");
    } else {
        geo_.Status.store(revert_status::kReadVerify, std::memory_order_relaxed);
        badCount_ = 0;
        mask_ = 1;
    }
    for (std::uint32_t chip = 0; chip < chipCount_; ++chip) {
        geo_.CurrentChip.store(chip, std::memory_order_relaxed);
        for (std::uint32_t block = startBlock_; block < endBlock_; ++block) {
            if (!inverted) TickProgress(1);
            if (StopRequested()) return Stopped();
            if (inverted) TickProgress(1);
            if (auto end = HandleReadBlock(block, inverted)) return end;
        }
        mask_ = static_cast<std::uint8_t>(mask_ << 2);
    }
    if (!inverted) {
        TimeLine("Complete Read Time");
        LogLine(Format("<Read> and <Verify> result: Bad block count = %ld\n", static_cast<long>(badCount_)), 1);
    } else {
        LogLine(Format("[High] <Read> and <Compare> result: Bad block count = %ld\n", static_cast<long>(badCount_)),
                1);
    }
    return std::nullopt;
}

std::optional<std::uint8_t> RevertEngine::HandleReadBlock(std::uint32_t block, bool inverted) {
    if (IsExcludedBlock(block)) return std::nullopt;
    std::uint8_t& entry = badBlockMap_[std::size_t{geo_.CurrentChip.load(std::memory_order_relaxed)} *
                                           geo_.BlocksPerChip + block];
    if (IsMarkedBad(block, true)) {
        if (!inverted) {
            entry = 1;
            NoteReason(geo_.CurrentChip.load(std::memory_order_relaxed), block, bad_block_reason::kFactoryMark);
            // Keeps a pattern-file stream in step with the write phase.
            SkipPatternData(0, SectorsPerBlockTest());
            LogLine(Format("<Mark Bad> Bad block = %lx CE=%d\r\n", static_cast<unsigned long>(block), mask_), 1);
        }
        ShowCount();
        if (streamFailed_) return StreamOrFlashLost();
        return std::nullopt;
    }
    geo_.CurrentBlock.store(block, std::memory_order_relaxed);
    if (VerifyBlock(block) && !streamFailed_) {
        EraseOneBlock(block);  // a good block leaves the pass erased
        return std::nullopt;
    }
    if (auto end = StreamOrFlashLost()) return end;
    if (!inverted) {
        MarkBad(block);
        LogLine(Format("<Read Compare fail> Bad block= %lx CE=%d\r\n", static_cast<unsigned long>(block), mask_), 1);
    } else {
        LogLine(Format("<Read compare> Bad block = %lx CE=%d\n", static_cast<unsigned long>(block), mask_), 1);
        MarkBad(block);
    }
    ++badCount_;
    entry = 1;
    NoteReason(geo_.CurrentChip.load(std::memory_order_relaxed), block, bad_block_reason::kFailedPattern);
    ShowCount();
    return std::nullopt;
}

void RevertEngine::TimeLine(const char* what) {
    platform::TimeOfDay now = host_.clock.LocalTimeOfDay();
    std::string stamp = Format("%s:(Hour=>%02d Minute=>%02d Second=>%02d)", what, now.hour, now.minute, now.second);
    LogLine(Format("Port:%d %s\r\n", geo_.Port, stamp.c_str()), 4);
}

}  // namespace mendora
