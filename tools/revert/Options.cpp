#include "tools/revert/Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace mendora::revert_tool {

const char* const kUsage =
    "Usage: mendora-revert (--vdrive IMAGE | --drive E:) [options]\n"
    "\n"
    "Runs the complete revert on one drive, as the repair console's revert does: the\n"
    "revert image goes into the controller's RAM, then an erase pass, a pattern test\n"
    "that marks failing blocks bad, and a blank check that recounts the marks.\n"
    "\n"
    "  --vdrive IMAGE           a virtual drive image\n"
    "  --drive E:               a drive by its name (virtual drives of MENDORA_VDRIVE\n"
    "                           first, then the maker's USB disks, from D: on)\n"
    "  --test-level N           0 plain (default), 1 erase with status, 2 also the\n"
    "                           inverted pattern and the blank-check verify\n"
    "  --pattern N              pattern mode 0 to 4 (default 1)\n"
    "  --ecc N                  tolerated error bits per sector (default 2)\n"
    "  --log                    write RevertLog01.txt in the current directory\n"
    "  --json FILE              write the drive's report: identity, geometry, every bad\n"
    "                           block with why, time, bytes moved, result\n"
    "  --map FILE               draw the engine's bad-block map as a PNG\n"
    "  --start-block N          registry value TestStartBlock\n"
    "  --block-count N          registry value TestBlockCount\n"
    "  --skip-cannot-mark-bad N registry value SkipCannotmarkBad (0 fails a run whose\n"
    "                           blank check finds fewer marks than the test found)\n"
    "  --help                   this text\n"
    "\n"
    "Every 500 ms one status line; then a summary. Exit status: 0 when the last pass\n"
    "finished, 1 when a pass failed, 2 on usage or drive errors.\n";

namespace {

bool Number(const char* text, std::uint32_t limit, std::uint32_t* value) {
    if (text == nullptr || *text == '\0' || *text == '-') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || n > limit) return false;
    *value = static_cast<std::uint32_t>(n);
    return true;
}

}  // namespace

std::string ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        std::uint32_t n = 0;
        auto take = [&](std::uint32_t limit) {
            if (!Number(value, limit, &n)) return false;
            ++i;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--log") {
            o->logFlag = 1;
        } else if (arg == "--vdrive" && value) {
            o->vdrive = value, ++i;
        } else if (arg == "--json" && value) {
            o->jsonFile = value, ++i;
        } else if (arg == "--map" && value) {
            o->mapFile = value, ++i;
        } else if (arg == "--drive" && value) {
            o->drive = value, ++i;
        } else if (arg == "--test-level") {
            if (!take(2)) return "--test-level takes 0, 1 or 2";
            o->testLevel = static_cast<std::uint8_t>(n);
        } else if (arg == "--pattern") {
            if (!take(4)) return "--pattern takes a mode from 0 to 4";
            o->patternMode = static_cast<std::uint8_t>(n);
        } else if (arg == "--ecc") {
            if (!take(255)) return "--ecc takes a number from 0 to 255";
            o->eccLimit = static_cast<std::uint8_t>(n);
        } else if (arg == "--start-block") {
            if (!take(0xFFFFFFFFu)) return "--start-block takes a number";
            o->startBlock = n;
        } else if (arg == "--block-count") {
            if (!take(0xFFFFFFFFu)) return "--block-count takes a number";
            o->blockCount = n;
        } else if (arg == "--skip-cannot-mark-bad") {
            if (!take(0xFFFFFFFFu)) return "--skip-cannot-mark-bad takes a number";
            o->skipCannotMarkBad = n;
        } else {
            return "unknown or incomplete option " + arg;
        }
    }
    if (o->help) return {};
    if (o->vdrive.empty() == o->drive.empty()) return "give one of --vdrive IMAGE or --drive E:";
    return {};
}

}  // namespace mendora::revert_tool
