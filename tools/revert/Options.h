#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::revert_tool {

struct Options {
    std::string vdrive;  // image path, or
    std::string drive;   // drive name such as "E:"
    bool unmount = false;  // end the system's uses of the drive (mounts, swap) first
    std::optional<std::uint8_t> testLevel;
    std::uint8_t patternMode = 1;
    std::optional<std::uint8_t> eccLimit;
    int logFlag = 0;
    std::string jsonFile;  // the drive's report
    std::string mapFile;   // a picture of the engine's bad-block map
    std::string certify;   // "quick" or "full": format and certify the drive after the revert; empty: not
    // Registry tuning, layered over the user's registry.
    std::optional<std::uint32_t> startBlock;
    std::optional<std::uint32_t> blockCount;
    std::optional<std::uint32_t> skipCannotMarkBad;
};

// Reads the arguments into *options. Answers the exit status when the tool should stop
// at once (0 after --help, 2 on a usage error, both printed); nullopt to go on.
std::optional<int> ParseOptions(int argc, char** argv, Options* options);

// Where the revert's log goes with --log: the current directory.
inline constexpr const char* kLogFile = "./RevertLog01.txt";

// Empty when every file the options ask for (report, map, log) can be written; else the
// complaint. Nothing is created.
std::string CheckOutputs(const Options& options);

// Empty when the blocks to test, from `start` on and `count` of them (0: all the rest), lie
// on a drive of `blocksPerChip` blocks per chip; else the complaint.
std::string CheckTestBlocks(std::uint32_t start, std::uint32_t count, std::uint32_t blocksPerChip);

}  // namespace mendora::revert_tool
