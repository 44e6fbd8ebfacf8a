// Close pressed at seeded moments of whole runs (the real engine on a small virtual drive,
// the library faked, timers driven by the test): during the revert, while the re-plug is
// awaited and while the library's repair call runs. Each run ends with its workers
// joined and the library's call returned, and the drive is left in a state from which a
// second repair succeeds.
#include <gtest/gtest.h>

#include <random>

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
using testing::RunRig;

// Drives of one image whose commands are counted, so that a moment of the run can be named.
class CountingDrives : public platform::DriveNamespace {
public:
    CountingDrives(std::vector<std::string> images, platform::UsbDiskFinder& finder, platform::Clock& clock)
        : DriveNamespace(std::move(images), finder, clock) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string& name, std::string* error) override {
        auto drive = DriveNamespace::Open(name, error);
        return drive ? std::make_unique<Counted>(std::move(drive), sent) : nullptr;
    }
    std::atomic<int> sent{0};

private:
    struct Counted : platform::ScsiTransport {
        Counted(std::unique_ptr<ScsiTransport> drive, std::atomic<int>& sent) : drive(std::move(drive)), sent(sent) {}
        platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
            ++sent;
            return drive->Execute(request);
        }
        std::unique_ptr<ScsiTransport> drive;
        std::atomic<int>& sent;
    };
};

vdrive::DriveSetup SmallQf70() {
    vdrive::DriveSetup setup = *vdrive::Preset("qf70");
    setup.geometry = vdrive::Geometry{1, 1, 64, 8, 4};
    setup.plantings.factoryBad = 2;
    setup.plantings.weak = 2;
    setup.plantings.weakBits = 40;
    return setup;
}

enum class Moment { Reverting, AwaitingReplug, InLibraryCall };

// One run of the console on the image, with the QF70 re-plug; closed at the moment unless
// it is empty. Answers whether the run completed.
struct ClosedRun {
    ClosedRun(const std::string& image, const vdrive::DriveSetup& setup) : rig({image}), drives({image}, none, rig.fake.clock) {
        PrepareRevertRecords(AnswersFor(setup), rig.geometry, rig.options);
        rig.console.chipId = 0x0070;
    }
    RunContext Context() {
        RunContext c = rig.Context();
        return {c.kernel, c.library, c.device, c.view, c.console, c.geometry, c.options, host};
    }
    void Replug(RepairRun& run) {
        run.OnDeviceChange(kDeviceRemoveComplete);
        run.OnTimer(kReplugTimer);
        run.OnDeviceChange(kDeviceArrival);
        for (int i = 0; i < 60; ++i) run.OnTimer(kReplugTimer);
    }

    RunRig rig;
    platform::NoUsbDisks none;
    CountingDrives drives;
    platform::NativeFileSystem files;
    RevertHost host{drives, files, rig.fake.registry, rig.fake.profiles, rig.fake.messages, rig.fake.clock,
                    MENDORA_GENERATED_FILES};
};

bool RunWhole(const std::string& image, const vdrive::DriveSetup& setup) {
    ClosedRun c(image, setup);
    RepairRun run(c.Context());
    run.Start();
    if (!c.rig.FinishRevert(run)) return false;
    c.Replug(run);
    c.rig.TickLibrary(run, 10000);
    return !c.rig.view.messages.empty() && c.rig.view.messages.back() == "Repair complete, Please un-plug device";
}

// Closes the run at the moment; `at` is the command count for a close during the revert.
void CloseAt(const std::string& image, const vdrive::DriveSetup& setup, Moment moment, int at) {
    ClosedRun c(image, setup);
    testing::Gate libraryHeld;
    if (moment == Moment::InLibraryCall) FakeLibrary().repairGate = &libraryHeld;
    RepairRun run(c.Context());
    run.Start();
    if (moment == Moment::Reverting) {
        while (c.drives.sent < at && !c.rig.view.Called("Timer-2")) run.OnTimer(kRevertTimer);
    } else {
        ASSERT_TRUE(c.rig.FinishRevert(run));
        if (moment == Moment::InLibraryCall) {
            c.Replug(run);
            ASSERT_TRUE(libraryHeld.AwaitVisitor());
        }
    }
    // Close: the call under way is let finish a moment later, as a slow library would.
    std::thread library([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        libraryHeld.Open();
    });
    run.Stop();
    const bool called = FakeLibrary().repairCalls > 0;
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(FakeLibrary().repairReturned.load(), called);  // never left running under the binding
    EXPECT_EQ(called, moment == Moment::InLibraryCall);
    library.join();
    FakeLibrary().repairGate = nullptr;
}

TEST(CloseSweep, ClosingAtAHundredSeededMomentsLeavesADriveASecondRepairFixes) {
    testing::TempDir dir;
    const vdrive::DriveSetup setup = SmallQf70();
    std::string error;
    const std::string probe = dir / "probe.img";
    ASSERT_TRUE(vdrive::VirtualDrive::Create(probe, setup, &error)) << error;
    int commands = 0;
    {
        ClosedRun c(probe, setup);
        RepairRun run(c.Context());
        run.Start();
        ASSERT_TRUE(c.rig.FinishRevert(run));
        commands = c.drives.sent;
        run.Stop();
    }
    ASSERT_GT(commands, 100);

    std::mt19937 random(1);
    for (int i = 0; i < 100; ++i) {
        const Moment moment = i % 5 == 3 ? Moment::AwaitingReplug : i % 5 == 4 ? Moment::InLibraryCall : Moment::Reverting;
        const int at = std::uniform_int_distribution<int>(0, commands)(random);
        SCOPED_TRACE("close " + std::to_string(i) + " at command " + std::to_string(at));
        const std::string image = dir / ("drive" + std::to_string(i) + ".img");
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
        CloseAt(image, setup, moment, at);
        ASSERT_TRUE(RunWhole(image, setup));
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        ASSERT_TRUE(drive) << error;
        auto blocks = drive->Blocks(&error);
        ASSERT_TRUE(blocks) << error;
        for (const vdrive::BlockStatus& b : *blocks)
            EXPECT_TRUE(b.kind == vdrive::format::BlockKind::Good || b.marked) << "block " << b.block;
        drive.reset();
        std::filesystem::remove(image);
    }
}

}  // namespace
}  // namespace mendora
