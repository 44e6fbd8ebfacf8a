// What mendora-revert writes besides its status lines, and the arguments it refuses before
// it changes a drive: every refusal is a usage error with the image left as it was.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/Environment.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/tools/RevertToolRun.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

// A QF90 of two chips of 64 blocks, with its bytes as made, and a directory to run in.
class RevertOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{2, 1, 64, 4, 4};
        setup.plantings.factoryBad = 2;
        std::string error;
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
        made = ReadBytes(image);
    }

    // mendora-revert on the image, run in `work` with its own settings and a command trace.
    Ran Revert(const std::string& arguments, const std::string& work = "") {
        return RunRevertTool(work.empty() ? dir.Path() : work, dir.Path(), trace, "",
                             "--vdrive '" + image + "' " + arguments);
    }

    // Refused as a usage error before any command reached the drive.
    void ExpectRefused(const std::string& arguments, const std::string& why, const std::string& work = "") {
        SCOPED_TRACE(arguments);
        Ran ran = Revert(arguments, work);
        EXPECT_EQ(ran.status, 2) << ran.output;
        EXPECT_NE(ran.output.find(why), std::string::npos) << ran.output;
        EXPECT_FALSE(std::filesystem::exists(trace)) << ReadBytes(trace);
        EXPECT_TRUE(ReadBytes(image) == made);
    }

    TempDir dir;
    const std::string image = dir / "drive.img";
    const std::string trace = dir / "trace.txt";
    std::string made;
};

TEST_F(RevertOutputs, EachRevertLeavesOneRecordOfItsDriveAndAnUnusableDatabaseOnlyAWarning) {
    const std::string database = dir / "records.db";
    const char* before = std::getenv("MENDORA_RECORDS");
    const std::string kept = before ? before : "";
    ::setenv("MENDORA_RECORDS", database.c_str(), 1);
    Ran first = Revert("");
    Ran second = Revert("");
    std::FILE* pipe = ::popen(("'" + std::string(MENDORA_BIN_DIR) + "/mendora-station' history '" + image +
                               "' --json 2>&1").c_str(), "r");
    std::string history;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) history.append(buffer, n);
    ::pclose(pipe);
    // A file that is no database: the revert says so and ends as it would have.
    ::setenv("MENDORA_RECORDS", image.c_str(), 1);
    Ran unrecorded = Revert("");
    if (before) ::setenv("MENDORA_RECORDS", kept.c_str(), 1);
    else ::unsetenv("MENDORA_RECORDS");

    EXPECT_EQ(first.status, 0) << first.output;
    EXPECT_EQ(second.status, 0) << second.output;
    auto runs = nlohmann::json::parse(history, nullptr, false);
    ASSERT_TRUE(runs.is_array() && runs.size() == 2) << history;
    EXPECT_EQ(runs[0]["verdict"], "reverted");
    EXPECT_EQ(runs[0]["port"], std::filesystem::canonical(image).string());
    EXPECT_EQ(runs[0]["bad_block_count"], 2);
    EXPECT_NE(runs[0]["run_id"], runs[1]["run_id"]);
    EXPECT_EQ(unrecorded.status, 0) << unrecorded.output;
    EXPECT_NE(unrecorded.output.find("mendora-revert: records: " + image + ": not a records database"),
              std::string::npos)
        << unrecorded.output;
}

TEST_F(RevertOutputs, LinksPlantedWhereItWritesAreRefusedAndTheirTargetsKept) {
    WriteBytes(dir / "target", "keep");
    for (const std::string name : {"report.json", "map.png", "RevertLog01.txt"})
        std::filesystem::create_symlink(dir / "target", dir / name);
    ExpectRefused("--json " + dir / "report.json", "it is a symbolic link");
    ExpectRefused("--map " + dir / "map.png", "it is a symbolic link");
    ExpectRefused("--log", "--log ./RevertLog01.txt: it is a symbolic link");
    EXPECT_EQ(ReadBytes(dir / "target"), "keep");
}

TEST_F(RevertOutputs, UnwritableOrEmptyPathsAreUsageErrors) {
    ExpectRefused("--json ''", "an empty path names nothing");
    ExpectRefused("--map ''", "an empty path names nothing");
    ExpectRefused("--json " + dir / "missing/report.json", "does not exist");
    ExpectRefused("--map " + dir.Path(), "it is a directory");  // a file is meant

    if (::geteuid() != 0) GTEST_SKIP() << "a read-only file system needs root to mount";
    const std::string readOnly = dir / "ro";
    std::filesystem::create_directory(readOnly);
    if (::mount("tmpfs", readOnly.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    ExpectRefused("--json " + readOnly + "/report.json", "Read-only file system");
    ExpectRefused("--log", "Read-only file system", readOnly);
    ::umount(readOnly.c_str());
}

TEST_F(RevertOutputs, AReportThatCannotBeWrittenAfterTheRunFailsIt) {
    Ran ran = Revert("--json /dev/full --map /dev/full");
    EXPECT_EQ(ran.status, 1) << ran.output;
    EXPECT_NE(ran.output.find("Result : Finish"), std::string::npos) << ran.output;
    EXPECT_NE(ran.output.find("mendora-revert: cannot write /dev/full: the write failed"), std::string::npos)
        << ran.output;
    EXPECT_NE(ran.output.find("mendora-revert: cannot write /dev/full\n"), std::string::npos) << ran.output;

    // The log on a disk that is full by the time the revert writes it.
    if (::geteuid() != 0) GTEST_SKIP() << "a full file system needs root to mount";
    const std::string full = dir / "full";
    std::filesystem::create_directory(full);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=4k") != 0) GTEST_SKIP() << "no tmpfs can be mounted here";
    WriteBytes(full + "/filler", std::string(4096, 'x'));
    ran = Revert("--log", full);
    ::umount(full.c_str());
    EXPECT_EQ(ran.status, 1) << ran.output;
    EXPECT_NE(ran.output.find("Result : Finish"), std::string::npos) << ran.output;
    EXPECT_NE(ran.output.find("cannot write ./RevertLog01.txt: the write failed"), std::string::npos) << ran.output;
}

TEST_F(RevertOutputs, BlocksBeyondTheDriveAreUsageErrorsOnceItIsIdentified) {
    for (const std::string arguments :
         {"--start-block 4294967295", "--start-block 64", "--start-block 60 --block-count 5"}) {
        SCOPED_TRACE(arguments);
        Ran ran = Revert(arguments);
        EXPECT_EQ(ran.status, 2) << ran.output;
        EXPECT_NE(ran.output.find("but the drive has 64 blocks per chip"), std::string::npos) << ran.output;
        // Asked what it is (INQUIRY, identify), as often as the device library asks, and
        // nothing more.
        std::istringstream lines(ReadBytes(trace));
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(line == "12 00 00 00 24 00 | in 36 | ok 00" ||
                        line == "E7 49 44 00 00 00 00 00 00 00 | in 64 | ok 00")
                << line;
        EXPECT_NE(ReadBytes(trace).find("E7 49 44"), std::string::npos);
        std::filesystem::remove(trace);
    }
    // The last four blocks are on the drive.
    Ran ran = Revert("--start-block 60 --block-count 4");
    EXPECT_EQ(ran.status, 0) << ran.output;
}

}  // namespace
}  // namespace mendora::testing
