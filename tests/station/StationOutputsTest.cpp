// The station's report and maps, and the arguments it refuses before a worker starts:
// every refusal is a usage error with the image left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

class StationOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{1, 1, 64, 4, 4};
        setup.plantings.factoryBad = 1;
        std::string error;
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
        made = ReadBytes(image);
        WriteBytes(dir / "target", "keep");
    }

    StationOutput Station(std::vector<std::string> args) {
        args.insert(args.end(), {"--yes", "--interval", "0.5", "--vdrive", image});
        return RunStationProcess(dir, args, [](pid_t, const std::string&) {});
    }

    void ExpectRefused(const std::vector<std::string>& args, const std::string& why) {
        SCOPED_TRACE(args.front() + " " + args.back());
        StationOutput run = Station(args);
        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_NE(run.out.find(why), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("DRIVE"), std::string::npos) << run.out;  // no table: no worker
        EXPECT_TRUE(ReadBytes(image) == made);
        EXPECT_EQ(ReadBytes(dir / "target"), "keep");
    }

    TempDir dir;
    const std::string image = dir / "d.img";
    std::string made;
};

TEST_F(StationOutputs, LinksPlantedWhereItWritesAreRefusedAndTheirTargetsKept) {
    std::filesystem::create_symlink(dir / "target", dir / "report.json");
    ExpectRefused({"--json", dir / "report.json"}, "--json " + dir / "report.json" + ": it is a symbolic link");
    std::filesystem::create_directory(dir / "maps");
    std::filesystem::create_symlink(dir / "target", dir / "maps/D.png");
    ExpectRefused({"--map", dir / "maps"}, "--map: " + dir / "maps/D.png" + ": it is a symbolic link");
    std::filesystem::create_directory_symlink(dir / "maps", dir / "linked-maps");
    ExpectRefused({"--map", dir / "linked-maps"}, "it is a symbolic link");
}

TEST_F(StationOutputs, UnwritableOrEmptyPathsAreUsageErrors) {
    ExpectRefused({"--json", ""}, "an empty path names nothing");
    ExpectRefused({"--map", ""}, "an empty path names nothing");
    ExpectRefused({"--json", dir / "missing/report.json"}, "does not exist");
    ExpectRefused({"--map", dir / "target"}, "it is not a directory");  // a directory is meant
    ExpectRefused({"--map", dir / "missing/maps"}, "its parent directory does not exist");
    ExpectRefused({"--json", dir.Path()}, "it is a directory");
    // Was an uncaught filesystem_error.
    ExpectRefused({"--vdrive", ""}, "an empty path names nothing");
}

TEST_F(StationOutputs, SecondsMustBeFiniteAndAboveZero) {
    for (const std::string option : {"--interval", "--silence", "--replug-timeout"}) {
        for (const std::string value : {"nan", "-nan", "inf", "0", "-1"}) ExpectRefused({option, value}, option);
    }
}

TEST_F(StationOutputs, AReportThatCannotBeWrittenAfterTheRunFailsIt) {
    StationOutput run = Station({"--json", "/dev/full", "--map", dir / "maps"});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("1 repaired, 0 refused"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("mendora-station: cannot write /dev/full: the write failed"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "maps/D.png"));
}

}  // namespace
}  // namespace mendora::testing
