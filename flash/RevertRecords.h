#pragma once
#include <atomic>
#include <cstdint>

namespace mendora {

// Status codes of the revert passes and the console's status texts; 2 means success.
namespace revert_status {
inline constexpr std::uint8_t kUserBreak = 0;
inline constexpr std::uint8_t kCantMarkBad = 1;
inline constexpr std::uint8_t kFinish = 2;
inline constexpr std::uint8_t kWriting = 3;
inline constexpr std::uint8_t kReadVerify = 4;
inline constexpr std::uint8_t kBlankChecking = 6;
inline constexpr std::uint8_t kEraseFirst = 7;
inline constexpr std::uint8_t kFlashError = 8;
inline constexpr std::uint8_t kUnknownError = 9;
inline constexpr std::uint8_t kReady = 10;
inline constexpr std::uint8_t kCannotErase = 11;
inline constexpr std::uint8_t kTestRedundant = 12;
}  // namespace revert_status

// The flash as the console describes it to the revert engine, and the status the engine
// reports back while a pass runs. The fields another thread polls are atomics (relaxed
// order is enough: each is read whole and on its own).
struct FlashGeometry {
    char DriveName[3] = {};          // letter, ':', zero
    std::uint32_t model = 0;         // 0x0070 or 0x0090
    std::atomic<std::uint32_t> BadBlockCount{0};
    std::uint32_t chipcnt = 0;
    std::uint8_t chipid[5] = {};
    std::uint32_t MLC = 0;
    std::uint32_t DualMode = 0;
    std::uint8_t zbank = 0;
    std::uint32_t maxBlocks = 0;
    std::uint32_t PagesPerBlock = 0;
    std::uint32_t SectorsPerPage = 0;
    std::uint32_t SectorsPerBlocks = 0;
    std::uint32_t maxZones = 0;
    std::uint32_t BlocksPerChip = 0;
    std::uint32_t attrib = 0;
    std::uint32_t TwoPlaneInhibit = 0;
    std::uint32_t NeedsParameterBlock = 0;
    std::uint8_t ProgressShare = 0;
    std::atomic<std::uint8_t> ProgressBase{0};
    std::atomic<std::uint32_t> Progress{0};
    std::atomic<std::uint32_t> CurrentBlock{0};
    std::atomic<std::uint32_t> PatternCode{0};
    std::atomic<std::uint8_t> Status{0};
    std::atomic<std::uint8_t> Stop{0};  // nonzero asks the passes to stop
    std::uint8_t Port = 0;
    std::atomic<std::uint32_t> CurrentChip{0};
    std::uint16_t ParameterWordA = 0;
    std::uint16_t ParameterWordB = 0;
    std::uint8_t ParameterByte = 0;
    std::uint32_t A1Version = 0;
    std::uint16_t ReduantSymbol = 0;
};

// How the revert runs; the console fills it with fixed values.
struct RevertOptions {
    std::uint32_t PatternWord = 0;
    std::uint8_t EccLimit = 0;
    std::uint8_t TestLevel = 0;
    std::uint8_t SettingIndexA = 0;   // into 77h 55h 33h
    std::uint8_t SettingIndexB = 0;   // into 00h 00h 44h 88h CCh
    std::uint32_t ExplicitGeometry = 0;
    std::uint32_t ExplicitBlocksPerChip = 0;
    std::uint32_t ExplicitSectorsPerBlock = 0;
    std::uint32_t ExplicitSectorsPerPage = 0;
    std::uint32_t TwoPlane = 0;
    std::uint8_t InterleaveIndex = 0;  // into 1, 2, 4 chip-enables per step
    std::uint8_t PageListCount = 0;
    std::uint8_t PageListFirst = 0;
    std::uint32_t PageListMode = 0;
    std::uint32_t RecordBadBlockTable = 0;
    std::uint32_t PairedPageMode = 0;
};

}  // namespace mendora
