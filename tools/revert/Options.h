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
    // Registry tuning, layered over the user's registry.
    std::optional<std::uint32_t> startBlock;
    std::optional<std::uint32_t> blockCount;
    std::optional<std::uint32_t> skipCannotMarkBad;
};

// Reads the arguments into *options. Answers the exit status when the tool should stop
// at once (0 after --help, 2 on a usage error, both printed); nullopt to go on.
std::optional<int> ParseOptions(int argc, char** argv, Options* options);

}  // namespace mendora::revert_tool
