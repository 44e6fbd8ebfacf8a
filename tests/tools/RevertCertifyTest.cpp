// mendora-revert --certify: after the revert the library formats the drive and the certify
// proves it, its verdict in the report and in the exit status.
#include <gtest/gtest.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/tools/RevertToolRun.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

struct CertifyCase {
    std::string preset;
    std::uint64_t announced;
    std::string arguments;
    int status;
    std::string verdict;
};

class RevertCertify : public ::testing::TestWithParam<CertifyCase> {};

TEST_P(RevertCertify, TheVerdictIsReportedAndDecidesTheExitStatus) {
    const CertifyCase& c = GetParam();
    TempDir dir;
    vdrive::DriveSetup setup = *vdrive::Preset(c.preset);
    setup.geometry = vdrive::Geometry{1, 1, 128, 4, 4};
    setup.plantings.factoryBad = 2;
    setup.lies.announcedSectors = c.announced;
    std::string error;
    const std::string image = dir / "drive.img";
    ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
    Ran ran = RunRevertTool(dir.Path(), dir.Path(), dir / "trace", "",
                            "--vdrive '" + image + "' --json '" + (dir / "r.json") + "' " + c.arguments);
    EXPECT_EQ(ran.status, c.status) << ran.output;
    EXPECT_NE(ran.output.find("Certify : " + c.verdict), std::string::npos) << ran.output;
    std::ifstream file(dir / "r.json");
    nlohmann::json report = nlohmann::json::parse(file, nullptr, false);
    ASSERT_TRUE(report.is_object()) << ran.output;
    EXPECT_EQ(report["certify"]["verdict"], c.verdict);
    // Whatever the certify wrote, the drive is left formatted as the library left it.
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    auto info = drive->Info(&error);
    ASSERT_TRUE(info) << error;
    if (c.verdict != "not ready as a disk") {
        EXPECT_EQ(report["certify"]["restored"], true);
        EXPECT_TRUE(info->diskReady);
        EXPECT_EQ(report["certify"]["real_sectors"], info->capacitySectors);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drives, RevertCertify,
    ::testing::Values(CertifyCase{"qf90", 0, "--certify", 0, "certified"},
                      CertifyCase{"qf70-nofw", 2048, "--certify=full", 1, "fake capacity"},
                      CertifyCase{"qf90", 8192, "--certify", 1, "wraps around at sector 2048 (1.0 MiB)"},
                      // A QF70 with firmware takes its new state only once re-plugged.
                      CertifyCase{"qf70", 0, "--certify", 1, "not ready as a disk"}));

}  // namespace
}  // namespace mendora::testing
