#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <filesystem>
#include <chrono>

#include "tests/flash/EngineTestKit.h"
#include "tests/Environment.h"

namespace mendora::testing {
namespace {

const std::string kTool = std::string(MENDORA_BIN_DIR) + "/mendora-revert";

int RunTool(const std::string& arguments, std::string* output, const std::string& environment = "") {
    std::string command = environment + " " + kTool + " " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output->append(buffer, n);
    return mendora::testing::ExitCodeOf(::pclose(pipe));  // -1: ended by a signal
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A QF90 of two chips of 64 blocks with planted factory-bad and weak blocks.
vdrive::DriveSetup SmallQf90(std::uint32_t factoryBad, std::uint32_t weak, std::uint32_t seed) {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{2, 1, 64, 4, 4};
    setup.plantings.factoryBad = factoryBad;
    setup.plantings.weak = weak;
    setup.plantings.seed = seed;
    return setup;
}

TEST(RevertTool, RevertsAVirtualDriveAndMarksEveryPlantedBlock) {
    TempDir dir;
    std::string error;
    const std::string image = dir / "drive.img";
    auto drive = vdrive::VirtualDrive::Create(image, SmallQf90(3, 2, 11), &error);
    ASSERT_TRUE(drive) << error;

    std::string out;
    const std::string trace = dir / "trace.txt";
    ASSERT_EQ(RunTool("--vdrive " + image, &out, "MENDORA_VDRIVE_TRACE=" + trace), 0) << out;
    EXPECT_NE(out.find("Status : Finish  Scanned Blocks : 63  Bad Blocks : 5  Progress : 44"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Result : Finish\nBad Blocks : 5, Escape time : 00 mins 0"), std::string::npos) << out;

    std::set<std::pair<std::uint32_t, std::uint32_t>> planted, marked;
    auto blocks = drive->Blocks(&error);
    ASSERT_TRUE(blocks) << error;
    for (const auto& s : *blocks) {
        if (s.kind != vdrive::format::BlockKind::Good) planted.insert({s.chip, s.block});
        if (s.marked) marked.insert({s.chip, s.block});
    }
    EXPECT_EQ(planted.size(), 5u);
    EXPECT_EQ(marked, planted);

    // The engine's stream from the RAM load on, after the identity checks and identification.
    auto lines = Lines(trace);
    auto start = std::find(lines.begin(), lines.end(), "FD 13 01 00 00 00 00 00 00 00 | none 0 | ok 00");
    ASSERT_NE(start, lines.end());
    const std::vector<std::string> head = {
        "FD 13 01 00 00 00 00 00 00 00 | none 0 | ok 00",
        "FD 00 01 F0 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 F2 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 F4 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 F6 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 F8 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 FA 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 FC 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "FD 00 01 FE 00 00 03 02 00 00 00 00 | out 512 | ok 00",
        "F1 10 01 FF 01 00 00 00 00 00 | in 8 | ok 00",
        "F1 10 04 FF 01 00 00 00 00 00 | in 8 | ok 00",
        "F1 10 10 FF 01 00 00 00 00 00 | in 8 | ok 00",
        "F0 00 00 00 00 00 00 00 00 00 00 00 00 | out 512 | ok 00",
        "FC 00 88 55 00 00 00 00 00 00 | in 1 | ok 00",
        "F5 00 00 00 00 00 00 00 00 00 00 00 01 | in 16 | ok 00",
    };
    ASSERT_GE(lines.end() - start, static_cast<long>(head.size()));
    EXPECT_EQ(std::vector<std::string>(start, start + head.size()), head);
    EXPECT_EQ(lines.back().substr(0, 3), "F9 ");
    auto count = [&](const std::string& prefix) {
        return std::count_if(start, lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(count("F8 "), 128 - 3);      // one status read per block not already marked
    EXPECT_EQ(count("F6 FF "), 128);       // one write per block
    EXPECT_EQ(count("F6 00 "), 2 * 2);     // the weak blocks' two mark pages
}

TEST(RevertTool, RevertsQf70DrivesWithAndWithoutFirmwareAndFailsOneRemovedOnTheWay) {
    for (const char* preset : {"qf70", "qf70-nofw"}) {
        SCOPED_TRACE(preset);
        TempDir dir;
        vdrive::DriveSetup setup = *vdrive::Preset(preset);
        setup.geometry.zones = 1;
        setup.geometry.blocksPerZone = 128;
        setup.plantings.factoryBad = 2;
        setup.plantings.weak = 2;
        setup.plantings.grownBad = 1;
        std::string error;
        const std::string image = dir / "drive.img";
        auto drive = vdrive::VirtualDrive::Create(image, setup, &error);
        ASSERT_TRUE(drive) << error;
        std::string out;
        ASSERT_EQ(RunTool("--vdrive " + image, &out), 0) << out;
        auto blocks = drive->Blocks(&error);
        ASSERT_TRUE(blocks) << error;
        int planted = 0;
        for (const auto& b : *blocks) {
            if (b.kind == vdrive::format::BlockKind::Good) continue;
            ++planted;
            EXPECT_TRUE(b.marked) << b.block;
        }
        EXPECT_EQ(planted, 5);

        // Pulled out in the last tenth of the run, during the blank check.
        ASSERT_TRUE(drive->RemoveAfter(1100, &error)) << error;
        out.clear();
        EXPECT_EQ(RunTool("--vdrive " + image, &out), 1) << out;
        EXPECT_NE(out.find("Result : Flash Error"), std::string::npos) << out;
    }
}

TEST(RevertTool, AnImageCutShortByAnotherProcessMidRunFailsCleanly) {
    TempDir dir;
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry.zones = 1;
    setup.geometry.blocksPerZone = 256;
    std::string error;
    const std::string image = dir / "drive.img", trace = dir / "trace.txt";
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
    std::thread cutter([&] {
        // Once the pattern test writes, another process cuts the image to its first page.
        for (int i = 0; i < 2000 && Lines(trace).size() < 400; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::filesystem::resize_file(image, 4096);
    });
    std::string out;
    const int exitCode = RunTool("--vdrive " + image, &out, "MENDORA_VDRIVE_TRACE=" + trace);
    cutter.join();
    EXPECT_EQ(exitCode, 1) << out;
    EXPECT_EQ(out.find("Result : Finish"), std::string::npos) << out;
}

// Ctrl-C, SIGTERM or a closed terminal: the revert stops at its next block and says so,
// instead of dying in the middle of a command.
TEST(RevertTool, AStopRequestEndsTheRevertAtABlockWithItsResult) {
    for (const char* signal : {"HUP", "TERM", "INT"}) {
        TempDir dir;
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{1, 1, 256, 16, 4};
        setup.speed = vdrive::SpeedModel::Usb2;
        std::string error;
        const std::string image = dir / "drive.img", trace = dir / "trace.txt";
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
        std::thread stopper([&] {
            for (int i = 0; i < 2000 && Lines(trace).size() < 200; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::system((std::string("pkill -") + signal + " -f '^" + kTool + " --vdrive " + image + "'").c_str());
        });
        std::string out;
        // The tool itself is the shell's child, so the signal reaches it alone.
        const int exitCode = RunTool("--vdrive " + image, &out, "exec env MENDORA_VDRIVE_TRACE=" + trace);
        stopper.join();
        EXPECT_EQ(exitCode, 1) << signal << ": " << out;
        EXPECT_NE(out.find("Result : UserBreak"), std::string::npos) << signal << ": " << out;
    }
}

TEST(RevertTool, HelpUsageAndDriveErrors) {
    std::string out;
    EXPECT_EQ(RunTool("--help", &out), 0);
    EXPECT_NE(out.find("Usage: mendora-revert"), std::string::npos);
    out.clear();
    EXPECT_EQ(RunTool("", &out), 2);
    EXPECT_NE(out.find("give one of --vdrive IMAGE or --drive E:"), std::string::npos);
    out.clear();
    EXPECT_EQ(RunTool("--vdrive x.img --test-level 3", &out), 2);
    out.clear();
    EXPECT_EQ(RunTool("--vdrive /nonexistent/drive.img", &out), 2);
    EXPECT_NE(out.find("/nonexistent/drive.img"), std::string::npos);
}

TEST(RevertTool, AFailedPassExitsOneWithItsStatus) {
    TempDir dir;
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 16, 4, 4};
    setup.plantings.grownBad = 1;
    std::string error;
    ASSERT_TRUE(vdrive::VirtualDrive::Create(dir / "drive.img", setup, &error));
    std::string out;
    EXPECT_EQ(RunTool("--vdrive " + dir / "drive.img" + " --test-level 1 --block-count 16", &out), 1) << out;
    EXPECT_NE(out.find("the revert failed: Can not erase"), std::string::npos) << out;
    out.clear();
    // A start beyond the last block would test nothing and finish: refused instead.
    EXPECT_EQ(RunTool("--vdrive " + dir / "drive.img" + " --start-block 16", &out), 2) << out;
}

}  // namespace
}  // namespace mendora::testing

namespace mendora::testing {
namespace {

TEST(RevertTool, JsonListsEveryPlantedBlockWithWhyAndMapIsDrawn) {
    TempDir dir;
    std::string error;
    const std::string image = dir / "drive.img";
    auto drive = vdrive::VirtualDrive::Create(image, SmallQf90(2, 2, 5), &error);
    ASSERT_TRUE(drive) << error;
    std::string out;
    ASSERT_EQ(RunTool("--vdrive " + image + " --json " + (dir / "r.json") + " --map " + (dir / "m.png"), &out), 0)
        << out;
    std::ifstream in(dir / "r.json");
    std::stringstream text;
    text << in.rdbuf();
    auto blocks = drive->Blocks(&error);
    ASSERT_TRUE(blocks) << error;
    for (const auto& b : *blocks) {
        if (b.kind == vdrive::format::BlockKind::Good) continue;
        const std::string why = b.kind == vdrive::format::BlockKind::FactoryBad ? "factory mark" : "failed pattern";
        // nlohmann writes keys in order: block, chip, why.
        EXPECT_NE(text.str().find("\"block\": " + std::to_string(b.block) + ",\n      \"chip\": " +
                                  std::to_string(b.chip) + ",\n      \"why\": \"" + why + "\""),
                  std::string::npos)
            << text.str();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "m.png"));
}

}  // namespace
}  // namespace mendora::testing
