// The repair run with the real revert engine on a small virtual drive, and the record each
// way of ending it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "RepairRunFakes.h"
#include "console/RepairRun.h"
#include "console/RevertPreparation.h"
#include "platform/kernel/NativeKernel.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::AnswersFor;
using testing::FakeLibrary;
using testing::KeptReports;
using testing::RunRig;

vdrive::DriveSetup SmallDrive() {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 128, 8, 4};
    setup.plantings.factoryBad = 2;
    setup.plantings.weak = 2;
    setup.plantings.weakBits = 40;  // past any correction
    return setup;
}

class RepairRunEngineTest : public ::testing::Test {
protected:
    RepairRunEngineTest() {
        std::string error;
        EXPECT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
        PrepareRevertRecords(AnswersFor(setup), rig.geometry, rig.options);
    }
    RunContext Context() {
        RunContext context = rig.Context();
        return {context.kernel, context.library, context.device, context.view, context.console,
                context.geometry, context.options, host, &kept, {{"serial", "S-1"}, {"port", "1-2"}}};
    }

    testing::TempDir dir;
    std::string image = dir / "drive.img";
    vdrive::DriveSetup setup = SmallDrive();
    RunRig rig{{image}};
    platform::NativeFileSystem files;
    RevertHost host{rig.drives, files, rig.fake.registry, rig.fake.profiles, rig.fake.messages, rig.fake.clock,
                    MENDORA_GENERATED_FILES};
    KeptReports kept;
};

TEST_F(RepairRunEngineTest, RevertMarksThePlantedBlocksThenTheLibraryRuns) {
    RepairRun run(Context());
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_EQ(rig.geometry.Status.load(), revert_status::kFinish);
    EXPECT_TRUE(rig.fake.messages.shown.empty());
    auto lines = rig.fake.debug.Lines();
    auto from = std::find(lines.begin(), lines.end(), "Load 90FW OK");
    ASSERT_NE(from, lines.end());
    EXPECT_EQ(std::vector<std::string>(from, from + 4),
              (std::vector<std::string>{"Load 90FW OK", "Revert EraseAll OK", "Revert PatternRW OK", "Revert  OK"}));

    std::string error;
    auto drive = vdrive::VirtualDrive::Open(image, &error);
    ASSERT_TRUE(drive) << error;
    auto blocks = drive->Blocks(&error);
    ASSERT_TRUE(blocks) << error;
    int planted = 0;
    for (const vdrive::BlockStatus& b : *blocks) {
        if (b.kind == vdrive::format::BlockKind::Good) continue;
        ++planted;
        EXPECT_TRUE(b.marked) << "block " << b.block;
    }
    EXPECT_EQ(planted, 4);
    EXPECT_GE(rig.geometry.BadBlockCount.load(), 4u);

    rig.TickLibrary(run, 10000);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 1);
    EXPECT_EQ(rig.view.messages.back(), "Repair complete, Please un-plug device");

    // One record, kept before the final box: the drive as given, every planted block with
    // why it is bad, and both phases.
    ASSERT_EQ(kept.reports.size(), 1u);
    const nlohmann::json& r = kept.reports.front();
    EXPECT_EQ(r["serial"], "S-1");
    EXPECT_EQ(r["port"], "1-2");
    EXPECT_EQ(r["verdict"], "repaired");
    EXPECT_FALSE(r.contains("reason"));
    EXPECT_EQ(r["status_code"], revert_status::kFinish);
    EXPECT_EQ(r["library_error"], 0);
    EXPECT_TRUE(r["phase_seconds"].contains("revert"));
    EXPECT_TRUE(r["phase_seconds"].contains("library"));
    std::map<std::string, int> why;
    for (const auto& b : r["bad_blocks"]) {
        EXPECT_EQ(b["chip"], 0);
        ++why[b["why"].get<std::string>()];
    }
    EXPECT_EQ(why["factory mark"], 2);
    EXPECT_EQ(r["bad_block_count"], r["bad_blocks"].size());
    EXPECT_GE(r["bad_blocks"].size(), 4u);
}

TEST_F(RepairRunEngineTest, AnEngineThatCannotOpenTheDriveFailsTheRun) {
    rig.geometry.DriveName[0] = 'Q';  // no drive there
    RepairRun run(Context());
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    ASSERT_FALSE(rig.fake.messages.shown.empty());
    EXPECT_EQ(rig.fake.messages.shown.front().text, "Can not open the handle.");
    EXPECT_EQ(rig.view.messages.back(), "Repair fail");
    EXPECT_EQ(rig.view.endCode, 2);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
    ASSERT_EQ(kept.reports.size(), 1u);
    EXPECT_EQ(kept.reports[0]["verdict"], "failed");
    EXPECT_EQ(kept.reports[0]["reason"], "revert: Unknown Error");
    EXPECT_FALSE(kept.reports[0].contains("library_error"));
}

TEST_F(RepairRunEngineTest, CloseRightAfterTheStartStopsTheEngine) {
    {
        RepairRun run(Context());
        run.Start();
        run.Stop();
        EXPECT_FALSE(run.Busy());
        EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
    }
    // Kept once, though the run is stopped again as it goes.
    ASSERT_EQ(kept.reports.size(), 1u);
    EXPECT_EQ(kept.reports[0]["verdict"], "interrupted");
    EXPECT_EQ(kept.reports[0]["reason"], "closed during the revert");
}

TEST_F(RepairRunEngineTest, ARunNeverStartedKeepsNoRecord) {
    { RepairRun run(Context()); }
    EXPECT_TRUE(kept.reports.empty());
}

}  // namespace
}  // namespace mendora
