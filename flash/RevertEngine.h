#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flash/CountingDrive.h"
#include "flash/RevertRecords.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/FileSystem.h"
#include "platform/kernel/MessageHost.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Registry.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora {

// Why a block ended up bad, as far as the engine saw it; kept beside the bad-block map.
namespace bad_block_reason {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kFactoryMark = 1;    // already marked when the test read it
inline constexpr std::uint8_t kFailedPattern = 2;  // its pattern did not read back
inline constexpr std::uint8_t kFailedErase = 3;    // an erase with status failed on it
}  // namespace bad_block_reason

// The host services one revert engine runs on.
struct RevertHost {
    platform::DriveNamespace& drives;
    platform::FileSystem& files;
    platform::Registry& registry;
    platform::ProfileReader& profiles;
    platform::MessageHost& messages;
    platform::Clock& clock;
    // Directory of the running executable, without a trailing '/': RevertBoot, flash8k.ini
    // and "Eval Pattern" are looked up there.
    std::string executableDirectory;
};

// Takes the flash controller of one drive over through the vendor commands and runs the
// complete revert on it: an erase pass, a pattern test and a blank check. One engine
// lives for one run, on one thread; the console polls the status fields of FlashGeometry.
class RevertEngine {
public:
    // Opens the drive, loads the revert image into the controller's RAM and sends the
    // flash parameters. A step that fails shows its message and leaves the engine not
    // ready; the passes then send nothing.
    RevertEngine(const std::string& name, FlashGeometry& geometry, RevertOptions& options, int logFlag,
                 RevertHost& host);
    ~RevertEngine();
    RevertEngine(const RevertEngine&) = delete;
    RevertEngine& operator=(const RevertEngine&) = delete;

    void SetEccLimit(std::uint8_t bits);
    std::uint8_t EraseAll(std::uint8_t showProgress);
    // Pattern mode 2 without its ring tables (they could not be allocated) answers 9 like a
    // not-ready engine and sends nothing.
    std::uint8_t PatternTest(std::uint8_t patternMode);
    std::uint8_t CheckBlank();

    bool IsReady() const;

    // Bad-block marks in the spare bytes of a block's first and last page. IsMarkedBad adds
    // one to the bad counter whenever it answers true.
    bool IsMarkedBad(std::uint32_t block, bool checkPageNumber);
    bool MarkBad(std::uint32_t block);
    void WriteBadBlockTable();
    void EraseOneBlock(std::uint32_t block);

    // Flash rules shared by the passes.
    bool IsExcludedBlock(std::uint32_t block) const;
    bool NoEraseFlash() const;
    bool FlashPresent();
    // Chip-enables handled together per step; sets the chip-enable mask to the first group.
    std::uint32_t SelectInterleave();

    // The pattern buffer and its generators.
    void FillPattern(std::uint8_t invert);
    // Allocates the ring tables and seeds them; leaves none when they cannot be allocated.
    void SeedPatternGenerator(std::uint32_t seed);
    // The next byte 1..255 of the ring generator; 0 when it has no tables.
    std::uint8_t NextPatternByte();
    std::uint8_t NextRandomByte();
    void ScanPatternFiles(const std::string& directory);
    bool ReadPatternData(std::uint32_t bytes);
    void SkipPatternData(std::uint32_t fromSector, std::uint32_t toSector);

    // Moving one block.
    bool WriteBlock(std::uint32_t block, std::uint32_t planes);
    bool VerifyBlock(std::uint32_t block);
    bool TolerantCompare(std::uint32_t sectors, std::uint32_t firstSector, std::uint32_t block);

    // The flash parameter block as the controller receives it.
    std::array<std::uint8_t, 512> ParameterBlock();
    std::uint8_t LookupRedundantSize();

    // What tests look at.
    std::vector<std::uint8_t>& PatternBuffer() { return pattern_; }
    std::vector<std::uint8_t>& TransferBuffer() { return transfer_; }
    std::vector<std::uint8_t>& BadBlockMap() { return badBlockMap_; }
    // One bad_block_reason per block, indexed like the bad-block map; the first reason stays.
    const std::vector<std::uint8_t>& BadBlockReasons() const { return badBlockReasons_; }
    const std::vector<std::string>& PatternFiles() const { return patternFiles_; }
    const std::string& RevertImagePath() const { return imagePath_; }
    std::uint32_t BadCounter() const { return badCount_; }
    std::uint32_t PreviousCount() const { return previousCount_; }
    std::uint32_t StartBlock() const { return startBlock_; }
    std::uint32_t EndBlock() const { return endBlock_; }
    std::uint8_t Mask() const { return mask_; }
    void SetMask(std::uint8_t mask) { mask_ = mask; }
    void SetPatternMode(std::uint8_t mode) { patternMode_ = mode; }
    // Asked before the ring tables are allocated, with their size in bytes; false makes the
    // allocation fail as running out of memory would.
    void SetAllocationCheck(std::function<bool(std::size_t bytes)> check) { allocationCheck_ = std::move(check); }

private:
    void Start();
    bool OpenDrive();
    bool AllocateBuffers();
    void ChooseRevertImage();
    bool LoadRevertFirmware(const std::string& path);
    bool DownloadRamImage(const std::string& path, std::vector<std::uint8_t>& work);
    void ReadTuning();
    void SendFlashParameters();
    void SendStartInterleave();
    void LogGeometry();

    // Progress through one pass; a share of 0 keeps Progress where it is.
    void StartProgress(std::uint32_t share);
    void TickProgress(std::uint32_t amount, bool show = true);
    void FinishProgress();

    std::optional<std::uint8_t> WritePhase(bool inverted, std::uint32_t chipsPerStep);
    std::optional<std::uint8_t> ReadPhase(bool inverted);
    std::optional<std::uint8_t> StreamOrFlashLost();
    std::optional<std::uint8_t> HandleWrittenBlock(std::uint32_t block, bool inverted);
    std::optional<std::uint8_t> HandleReadBlock(std::uint32_t block, bool inverted);
    std::uint8_t EndPatternTest(std::uint8_t result);
    std::optional<std::uint8_t> BlankCheckBlock(std::uint32_t chip, std::uint32_t block);
    std::optional<std::uint8_t> FlashLostSince(std::uint64_t notCarried);
    void ShowCount();
    void NoteReason(std::uint32_t chip, std::uint32_t block, std::uint8_t reason);
    bool StopRequested() const;
    std::uint8_t Stopped();
    void ShiftMask(std::uint32_t chips);
    void SetTwoPlane(std::uint8_t on);
    bool CanSend() const;
    bool PageListActive() const;
    std::uint32_t SectorsPerBlockTest() const;
    std::uint32_t PatternBufferSectors() const;
    std::uint32_t PieceSectors() const;
    void WriteTablePage(std::uint32_t sector, const std::vector<std::uint8_t>& page);

    std::uint32_t ReadFromStream(std::uint8_t* target, std::uint32_t bytes);
    void ClosePatternFile();
    void RewindPatternFiles();

    void LogLine(const std::string& text, int level);
    void TimeLine(const char* what);
    void ShowError(const std::string& text);

    std::string name_;
    FlashGeometry& geo_;
    RevertOptions& options_;
    int logFlag_;
    RevertHost& host_;

    std::unique_ptr<CountingDrive> drive_;
    std::unique_ptr<platform::File> log_;
    bool ready_ = true;
    bool buffersPresent_ = false;
    std::vector<std::uint8_t> transfer_;
    std::vector<std::uint8_t> pattern_;
    std::vector<std::uint8_t> badBlockMap_;
    std::vector<std::uint8_t> badBlockReasons_;
    std::vector<std::uint32_t> pageList_;
    std::string imagePath_;

    std::uint32_t chunkSize_ = 0;
    std::uint32_t planes_ = 1;
    std::uint8_t mask_ = 1;
    std::uint32_t chipCount_ = 0;
    std::uint32_t sectorsPerBlock_ = 0;
    std::uint32_t sectorsPerPage_ = 0;
    std::uint32_t startBlock_ = 0;
    std::uint32_t endBlock_ = 0;

    std::uint32_t badCount_ = 0;
    std::uint32_t previousCount_ = 0;
    bool patternTestRan_ = false;
    std::uint8_t eccLimit_ = 0;
    std::uint8_t testLevel_ = 0;
    std::uint8_t patternMode_ = 0;

    std::uint32_t progressCounter_ = 0;
    std::uint32_t stepLength_ = 0;
    bool progressFrozen_ = false;

    // Mode 1: a linear congruential generator that starts from 1 in every engine.
    std::uint32_t randomState_ = 1;
    // Mode 2: the ring generator.
    std::vector<std::uint32_t> ring_;
    std::uint32_t ringPos_[4] = {};
    std::function<bool(std::size_t bytes)> allocationCheck_;

    // Mode 3: the pattern files, read one after another as one endless stream.
    std::vector<std::string> patternFiles_;
    std::size_t fileIndex_ = 0;
    std::unique_ptr<platform::File> patternFile_;
    std::size_t emptyReads_ = 0;
    bool streamFailed_ = false;
};

}  // namespace mendora
