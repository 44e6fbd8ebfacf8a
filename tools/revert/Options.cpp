#include "tools/revert/Options.h"
#include "platform/kernel/Console.h"

#include <cstdio>
#include <utility>

#include "platform/kernel/OutputFiles.h"
#include "tools/common/CommandLine.h"

namespace mendora::revert_tool {

namespace {

const char* const kDescription =
    "Runs the complete revert on one drive, as the repair console's revert does: the\n"
    "revert image goes into the controller's RAM, then an erase pass, a pattern test\n"
    "that marks failing blocks bad, and a blank check that recounts the marks.\n";

const char* const kFooter =
    "Every 500 ms one status line; then a summary. Exit status: 0 when the last pass\n"
    "finished, 1 when a pass failed, 2 on usage or drive errors.\n";

}  // namespace

std::optional<int> ParseOptions(int argc, char** argv, Options* o) {
    CLI::App app(kDescription, "mendora-revert");
    app.footer(kFooter);
    bool log = false;
    auto* vdrive =
        app.add_option("--vdrive", o->vdrive, "a virtual drive image")->type_name("IMAGE")->check(tools::GivenPath());
    app.add_option("--drive", o->drive,
                   "a drive by its name or USB port (virtual drives of MENDORA_VDRIVE from D: on, then the "
                   "maker's USB disks under their own names: the letter of the disk's name on Linux, /dev/sdb "
                   "is B:, the letter Windows shows on Windows)")
        ->type_name("E:")
        ->check(tools::GivenPath())
        ->excludes(vdrive);
    app.add_flag("--unmount", o->unmount,
                 "unmount the drive's filesystems (and end its swap) first; without it a drive the system uses "
                 "is refused");
    tools::AddNumber(app, "--test-level", &o->testLevel, 2,
                     "0 plain (default), 1 erase with status, 2 also the inverted pattern and the blank-check verify");
    tools::AddNumber(app, "--pattern", &o->patternMode, 4, "pattern mode 0 to 4 (default 1)");
    tools::AddNumber(app, "--ecc", &o->eccLimit, 255, "tolerated error bits per sector (default 2)");
    app.add_flag("--log", log, "write RevertLog01.txt in the current directory");
    app.add_option("--json", o->jsonFile,
                   "write the drive's report: identity, geometry, every bad block with why, time, bytes moved, result")
        ->type_name("FILE")
        ->check(tools::GivenPath());
    app.add_option("--map", o->mapFile, "draw the engine's bad-block map as a PNG")
        ->type_name("FILE")
        ->check(tools::GivenPath());
    app.add_flag("--certify{quick}", o->certify,
                 "after a finished revert, have the device library format the drive and prove it holds what it "
                 "announces: --certify (quick: stamps at spread positions) or --certify=full (every sector)")
        ->check(CLI::IsMember({"quick", "full"}));
    tools::AddNumber(app, "--start-block", &o->startBlock, 0xFFFFFFFFu, "registry value TestStartBlock");
    tools::AddNumber(app, "--block-count", &o->blockCount, 0xFFFFFFFFu, "registry value TestBlockCount");
    tools::AddNumber(app, "--skip-cannot-mark-bad", &o->skipCannotMarkBad, 0xFFFFFFFFu,
                     "registry value SkipCannotmarkBad (0 fails a run whose blank check finds fewer marks than the "
                     "test found)");
    if (auto exit = tools::ParseCommandLine(app, argc, argv)) return exit;
    o->logFlag = log ? 1 : 0;
    if (o->vdrive.empty() == o->drive.empty()) {
        platform::PrintText(stderr, "mendora-revert: give one of --vdrive IMAGE or --drive E:\nRun with --help for more "
                             "information.\n");
        return tools::kExitUsageError;
    }
    return std::nullopt;
}

std::string CheckOutputs(const Options& o) {
    const std::pair<std::string, std::string> outputs[] = {
        {"--json", o.jsonFile}, {"--map", o.mapFile}, {"--log", o.logFlag ? kLogFile : ""}};
    for (const auto& [option, path] : outputs) {
        if (path.empty()) continue;
        if (std::string why = platform::CheckOutputFile(path); !why.empty()) return option + " " + path + ": " + why;
    }
    return {};
}

std::string CheckTestBlocks(std::uint32_t start, std::uint32_t count, std::uint32_t blocksPerChip) {
    // A drive without blocks is refused by the engine itself.
    if (blocksPerChip == 0) return {};
    const std::string drive = "the drive has " + std::to_string(blocksPerChip) + " blocks per chip";
    if (start >= blocksPerChip)
        return "the test would start at block " + std::to_string(start) + " (--start-block or TestStartBlock), but " +
               drive;
    if (std::uint64_t{start} + count > blocksPerChip)
        return "the test would end at block " + std::to_string(std::uint64_t{start} + count - 1) +
               " (--block-count or TestBlockCount), but " + drive;
    return {};
}

}  // namespace mendora::revert_tool
