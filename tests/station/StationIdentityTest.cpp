// The station takes each drive once and the drives it is told to alone, asks before it
// erases, and a drive that fails identification fails alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/station/StationProcess.h"
#include "vdrive/IdentifyReply.h"
#include "vdrive/ImageFormat.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

// An image without its controller state (the answers it last gave): what a drive holds.
std::string Held(const std::string& image) {
    std::string bytes = testing::ReadBytes(image);
    if (bytes.size() < vdrive::format::kTablesOffset) return bytes;
    return bytes.erase(vdrive::format::kStateOffset, vdrive::format::kTablesOffset - vdrive::format::kStateOffset);
}

struct Tray {
    Tray() { ::chmod(dir.Path().c_str(), 0700); }

    // A small QF90 with `bad` factory-bad blocks; `failIdentify` makes it answer INQUIRY but
    // fail the identification query.
    std::string Add(const std::string& name, std::uint32_t bad, bool failIdentify = false) {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = {1, 1, 64, 4, 4};
        setup.plantings.factoryBad = bad;
        setup.plantings.seed = bad + 1;
        std::string error;
        auto drive = vdrive::VirtualDrive::Create(dir / name, setup, &error);
        EXPECT_TRUE(drive) << error;
        if (drive && failIdentify) {
            vdrive::FaultPlan fail;
            fail.opcode = vdrive::kIdentifyCdb[0];
            EXPECT_TRUE(drive->AddFault(fail, &error)) << error;
        }
        return dir / name;
    }

    testing::StationOutput Run(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {"--json", dir / "report.json", "--interval", "0.5"});
        return testing::RunStationProcess(dir, args, [](pid_t, const std::string&) {}, env);
    }

    nlohmann::json Report() {
        std::ifstream file(dir / "report.json");
        return nlohmann::json::parse(file, nullptr, false);
    }

    testing::TempDir dir;
};

TEST(StationIdentity, ADriveNamedTwiceIsRepairedOnceByOneWorker) {
    Tray tray;
    const std::string image = tray.Add("a.img", 3);
    auto run = tray.Run({"--yes", "--vdrive", image, image});
    EXPECT_EQ(run.status, 0) << run.out;
    auto report = tray.Report();
    ASSERT_TRUE(report.is_array()) << run.out;
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0]["verdict"], "repaired");
    EXPECT_EQ(report[0]["bad_block_count"], 3);
}

TEST(StationIdentity, ADriveThatCannotBeOpenedFailsWithTheReason) {
    Tray tray;
    const std::string good = tray.Add("a.img", 1), missing = tray.dir / "missing.img";
    auto run = tray.Run({"--yes", "--vdrive", good, missing});
    EXPECT_EQ(run.status, 1) << run.out;
    auto report = tray.Report();
    ASSERT_EQ(report.size(), 2u) << run.out;
    EXPECT_EQ(report[0]["verdict"], "repaired");
    EXPECT_EQ(report[1]["verdict"], "failed");
    EXPECT_NE(report[1]["reason"].get<std::string>().find("cannot open"), std::string::npos) << report[1].dump();
}

TEST(StationIdentity, WithoutATerminalOrYesNothingIsTouched) {
    Tray tray;
    const std::string image = tray.Add("a.img", 2);
    const std::string before = Held(image);
    auto run = tray.Run({"--vdrive", image});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("--yes"), std::string::npos) << run.out;
    EXPECT_TRUE(Held(image) == before) << "image changed";
}

// The drives of the environment: --drive D: repairs D: alone; the one that fails its
// identification fails alone, in --list as in a repair, and the others are repaired.
TEST(StationIdentity, ANamedDriveAloneIsTouchedAndABrokenOneFailsAlone) {
    Tray tray;
    const std::string d = tray.Add("d.img", 1), e = tray.Add("e.img", 2, true), f = tray.Add("f.img", 3);
    const std::vector<std::string> env = {"MENDORA_VDRIVE=" + d + ":" + e + ":" + f};
    const std::string dBefore = Held(d), eBefore = Held(e);

    auto list = tray.Run({"--list"}, env);
    EXPECT_EQ(list.status, 1) << list.out;
    EXPECT_NE(list.out.find("D:  port " + d), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("E:  port " + e), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("not usable"), std::string::npos) << list.out;
    EXPECT_TRUE(Held(d) == dBefore) << "d changed";

    const std::string fBefore = Held(f);
    auto one = tray.Run({"--yes", "--drive", "d:"}, env);
    EXPECT_EQ(one.status, 0) << one.out;
    ASSERT_EQ(tray.Report().size(), 1u);
    EXPECT_EQ(tray.Report()[0]["drive"], "D:");
    EXPECT_EQ(tray.Report()[0]["bad_block_count"], 1);
    EXPECT_TRUE(Held(e) == eBefore) << "e changed";
    EXPECT_TRUE(Held(f) == fBefore) << "f changed";

    auto all = tray.Run({"--yes"}, env);
    EXPECT_EQ(all.status, 1) << all.out;
    auto report = tray.Report();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0]["verdict"], "repaired");
    EXPECT_EQ(report[0]["bad_block_count"], 1);
    EXPECT_EQ(report[1]["verdict"], "failed");
    EXPECT_EQ(report[2]["verdict"], "repaired");
    EXPECT_EQ(report[2]["bad_block_count"], 3);
    EXPECT_TRUE(Held(e) == eBefore) << "e changed";
}

}  // namespace
}  // namespace mendora
