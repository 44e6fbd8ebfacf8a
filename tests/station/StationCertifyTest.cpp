// The station certifying what it repaired: every kind of drive it repairs, one that
// announces more than it holds and one refused at identification, with --certify quick.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "tools/station/DriveRow.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

struct CertifyPlanned {
    std::string preset;
    std::uint32_t bad = 0;
    std::uint64_t announced = 0;  // sectors; 0 honest
};

// D: to H:. 128 blocks of 16 sectors: 2048 sectors of flash.
const std::vector<CertifyPlanned> kCertifyDrives = {
    {"qf90", 2},
    {"qf70", 1},  // re-plugged before its library phase
    {"qf70-nofw", 3},
    {"qf90", 2, 2048},  // holds 2016 sectors, announces the flash's 2048
    {"unsupported"},
};

TEST(StationCertify, EachRepairedDriveIsCertifiedAndTheFakeOneFoundOut) {
    testing::TempDir dir;
    ::chmod(dir.Path().c_str(), 0700);
    std::vector<std::string> images;
    std::string error;
    for (std::size_t i = 0; i < kCertifyDrives.size(); ++i) {
        vdrive::DriveSetup setup = *vdrive::Preset(kCertifyDrives[i].preset);
        setup.geometry = {1, 1, 128, 4, 4};
        setup.plantings.factoryBad = kCertifyDrives[i].bad;
        setup.plantings.seed = static_cast<std::uint32_t>(3 + i);
        setup.lies.announcedSectors = kCertifyDrives[i].announced;
        images.push_back(dir / ("drive" + std::to_string(i) + ".img"));
        ASSERT_TRUE(vdrive::VirtualDrive::Create(images.back(), setup, &error)) << error;
    }
    std::vector<std::string> args = {"--yes", "--certify", "quick", "--json", dir / "report.json", "--interval", "0.5",
                                     "--vdrive"};
    args.insert(args.end(), images.begin(), images.end());
    bool replugged = false;
    auto output = testing::RunStationProcess(dir, args, [&](pid_t, const std::string& text) {
        if (replugged || text.rfind("E:", 0) != 0 || text.find("re-plug now") == std::string::npos) return;
        auto drive = vdrive::VirtualDrive::Open(images[1], &error);
        EXPECT_TRUE(drive && drive->SetPlugged(false, &error)) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(drive && drive->SetPlugged(true, &error)) << error;
        replugged = true;
    });
    // The fake drive is repaired but not certified: not every drive passed.
    ASSERT_EQ(output.status, 1) << output.out;
    std::ifstream file(dir / "report.json");
    nlohmann::json reports = nlohmann::json::parse(file, nullptr, false);
    ASSERT_TRUE(reports.is_array() && reports.size() == kCertifyDrives.size()) << output.out;

    for (std::size_t i = 0; i < 4; ++i) {
        const nlohmann::json& r = reports[i];
        SCOPED_TRACE(r.dump(2));
        ASSERT_EQ(r["verdict"], "repaired");
        ASSERT_TRUE(r.contains("certify"));
        const nlohmann::json& c = r["certify"];
        auto drive = vdrive::VirtualDrive::Open(images[i], &error);
        ASSERT_TRUE(drive) << error;
        auto info = drive->Info(&error);
        ASSERT_TRUE(info && info->diskReady) << error;
        // The real size found is the disk the drive holds, whatever it announces.
        EXPECT_EQ(c["real_sectors"], info->capacitySectors);
        EXPECT_EQ(c["mode"], "quick");
        EXPECT_EQ(c["restored"], true);
        EXPECT_GT(c["write_mbps"].get<double>(), 0.0);
        EXPECT_TRUE(r["phase_seconds"].contains("certify"));
        const std::string expected = i == 3 ? "fake capacity" : "certified";
        EXPECT_EQ(c["verdict"], expected);
        EXPECT_EQ(c["announced_sectors"], i == 3 ? 2048u : info->capacitySectors);
        EXPECT_NE(output.out.find(std::string(1, char('D' + i)) + ":"), std::string::npos);
        EXPECT_NE(output.out.find("repaired, " + expected), std::string::npos) << output.out;
    }
    EXPECT_TRUE(replugged);
    EXPECT_EQ(reports[4]["verdict"], "refused");
    EXPECT_FALSE(reports[4].contains("certify"));
}

// The table while a drive is certified, and after: the certify's own share and time left,
// its verdict after "repaired", and what the exit status makes of it.
TEST(CertifyColumn, TheTableShowsTheCertifysShareTimeLeftAndVerdict) {
    station::DriveRow row;
    row.name = "D:";
    row.Apply({{"t", "progress"}, {"phase", "library"}, {"fraction", 1.0}}, 1);
    row.Apply({{"t", "progress"}, {"phase", "certify"}, {"fraction", 0.25}, {"certify_seconds", 3.0}}, 4);
    station::RowView view = station::ViewOf(row, 4);
    EXPECT_EQ(view.phase, "certify");
    EXPECT_EQ(view.percent, "25%");
    EXPECT_EQ(view.left, "0:09");
    EXPECT_EQ(view.verdict, "working");

    nlohmann::json fake = {{"t", "report"}, {"verdict", "repaired"}, {"certify", {{"verdict", "fake capacity"}}}};
    row.Apply(fake, 6);
    EXPECT_EQ(station::ViewOf(row, 6).verdict, "repaired, fake capacity");
    EXPECT_FALSE(station::CertifyPassed(row.report, "quick"));
    EXPECT_TRUE(station::CertifyPassed(row.report, ""));
    EXPECT_TRUE(station::CertifyPassed({{"certify", {{"verdict", "certified"}}}}, "full"));
    EXPECT_FALSE(station::CertifyPassed({{"verdict", "repaired"}}, "full"));
}

}  // namespace
}  // namespace mendora
