#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "RepairRunFakes.h"
#include "console/RepairRun.h"

namespace mendora {
namespace {

using testing::FakeLibrary;
using testing::FakeRevertPasses;
using testing::Gate;
using testing::RunRig;

std::vector<std::string> Strings(std::initializer_list<const char*> texts) { return {texts.begin(), texts.end()}; }

bool HasLine(platform::FakeDebugOutput& debug, const std::string& line) {
    auto lines = debug.Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class RepairRunTest : public ::testing::Test {
protected:
    RunRig rig;
    RepairRun run{rig.Context(), FakeRevertPasses(rig.script)};

    // Ticks timer 3 n times.
    void TickReplug(int n) {
        for (int i = 0; i < n; ++i) run.OnTimer(kReplugTimer);
    }
};

TEST_F(RepairRunTest, StartAsksThenRunsTheRevertWithTheFlags) {
    rig.console.selectionCode = 3;
    run.Start();
    EXPECT_EQ(rig.view.messages, Strings({"All Data will be deleted. Continue ?"}));
    EXPECT_EQ(rig.view.buttons.front(), platform::MessageButtons::OkCancel);
    EXPECT_EQ(rig.console.repairFlags.load(), 0xA3);
    EXPECT_TRUE(HasLine(rig.fake.debug, "In GetInput, bflag=163"));
    EXPECT_EQ(rig.view.calls, Strings({"Disable", "StatusShown", "Timer+2/500"}));
    EXPECT_EQ(rig.view.progress, std::vector<int>{0});
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_EQ(rig.script.Calls(),
              Strings({"SetEccLimit 3", "EraseAll 1", "PatternTest 1", "CheckBlank", "Destroy"}));
    auto lines = rig.fake.debug.Lines();
    auto from = std::find(lines.begin(), lines.end(), "Load 90FW OK");
    ASSERT_NE(from, lines.end());
    EXPECT_EQ(std::vector<std::string>(from, from + 4),
              Strings({"Load 90FW OK", "Revert EraseAll OK", "Revert PatternRW OK", "Revert  OK"}));
}

TEST_F(RepairRunTest, CancelAtTheConfirmationStartsNothing) {
    rig.view.answer = platform::kIdCancel;
    run.Start();
    EXPECT_TRUE(rig.view.calls.empty());
    EXPECT_FALSE(run.Busy());
    EXPECT_TRUE(rig.script.Calls().empty());
    run.OnTimer(kRevertTimer);
    EXPECT_TRUE(rig.view.progress.empty());
    // A later press may still start the run.
    rig.view.answer = platform::kIdOk;
    run.Start();
    EXPECT_TRUE(rig.view.Called("Disable"));
    ASSERT_TRUE(rig.FinishRevert(run));
}

TEST_F(RepairRunTest, OnlyOneRunPerDialog) {
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    run.Start();
    EXPECT_EQ(rig.view.messages.size(), 1u);
}

TEST_F(RepairRunTest, StatusDuringTheRevertAndTheSummaryAtItsEnd) {
    Gate erase;
    rig.script.eraseGate = &erase;
    rig.script.eraseMilliseconds = (65 * 60 + 3) * 1000;
    run.Start();
    ASSERT_TRUE(erase.AwaitVisitor());
    rig.geometry.Status = revert_status::kEraseFirst;
    rig.geometry.CurrentBlock = 321;
    rig.geometry.BadBlockCount = 4;
    rig.geometry.Progress = 42;
    run.OnTimer(kRevertTimer);
    EXPECT_EQ(rig.view.statusText, "Status : Erase first\nScanned Blocks : 321\nBad Blocks : 4");
    EXPECT_EQ(rig.view.progress.back(), 42);
    EXPECT_FALSE(rig.view.Called("Timer-2"));
    EXPECT_TRUE(run.Busy());
    erase.Open();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_TRUE(HasLine(rig.fake.debug, "REVERT FINISHED"));
    EXPECT_TRUE(HasLine(rig.fake.debug, "Bad Blocks : 4, Escape time : 05 mins 03 secs"));
}

TEST_F(RepairRunTest, AFailedPassEndsTheRunWithRepairFail) {
    rig.script.eraseResult = revert_status::kFlashError;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_EQ(rig.script.Calls(), Strings({"SetEccLimit 3", "EraseAll 1", "Destroy"}));
    EXPECT_EQ(rig.view.messages.back(), "Repair fail");
    EXPECT_EQ(rig.view.endCode, 2);
    EXPECT_FALSE(rig.view.Called("Timer+3/100"));
    EXPECT_FALSE(rig.view.Called("Timer+1/5"));
    EXPECT_FALSE(HasLine(rig.fake.debug, "Revert PatternRW OK"));
    run.Stop();
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
}

TEST_F(RepairRunTest, AFailedBlankCheckFailsTheRunToo) {
    rig.script.blankResult = revert_status::kCannotErase;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_EQ(rig.view.messages.back(), "Repair fail");
}

TEST_F(RepairRunTest, Qf90GoesStraightToTheLibraryAndEndsWithRepairComplete) {
    rig.console.selectionCode = 1;
    FakeLibrary().errorCode = 0;
    FakeLibrary().bad = 150, FakeLibrary().total = 1000, FakeLibrary().divisor = 10;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_FALSE(rig.view.Called("Popup+"));
    const auto timer3 = std::find(rig.view.calls.begin(), rig.view.calls.end(), "Timer+3/100");
    ASSERT_NE(timer3, rig.view.calls.end());
    EXPECT_EQ(std::vector<std::string>(timer3, rig.view.calls.end()),
              Strings({"Timer+3/100", "StatusHidden", "Timer+1/5"}));
    rig.TickLibrary(run, 10000);
    EXPECT_EQ(FakeLibrary().repairFlags.load(), 0xA1);
    EXPECT_EQ(rig.view.progress.back(), 100);
    EXPECT_EQ(rig.view.span, 36u);
    EXPECT_EQ(rig.view.label, "Bad Blocks : 10.00 %");
    EXPECT_EQ(rig.view.messages.back(), "Repair complete, Please un-plug device");
    EXPECT_EQ(rig.view.endCode, 2);
    EXPECT_TRUE(HasLine(rig.fake.debug, "ErrCode=0x0\n"));
}

TEST_F(RepairRunTest, LibraryFailureCodeEndsWithRepairFail) {
    FakeLibrary().errorCode = kQdllRepairFailed;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    rig.TickLibrary(run, 10000);
    EXPECT_EQ(rig.view.messages.back(), "Repair fail");
    EXPECT_TRUE(HasLine(rig.fake.debug, "ErrCode=0xFFFF0000\n"));
}

TEST_F(RepairRunTest, ProgressOf100ShowsAs99UntilTheLibraryHasEnded) {
    Gate repair;
    FakeLibrary().repairGate = &repair;
    FakeLibrary().finishOnRepair = false;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    ASSERT_TRUE(repair.AwaitVisitor());
    FakeLibrary().progress = 57;
    run.OnTimer(kLibraryTimer);
    EXPECT_EQ(rig.view.progress.back(), 57);
    FakeLibrary().progress = 100;
    run.OnTimer(kLibraryTimer);
    EXPECT_EQ(rig.view.progress.back(), 99);
    FakeLibrary().state = 0x0100;  // a high byte alone is not the end
    run.OnTimer(kLibraryTimer);
    EXPECT_EQ(rig.view.progress.back(), 99);
    EXPECT_EQ(rig.view.endCode, -1);
    FakeLibrary().state = 0xFF;
    run.OnTimer(kLibraryTimer);
    EXPECT_EQ(rig.view.progress.back(), 100);
    EXPECT_TRUE(rig.view.Called("Timer-1"));
    EXPECT_EQ(rig.view.endCode, 2);
    repair.Open();
    run.Stop();
    EXPECT_TRUE(FakeLibrary().repairReturned.load());
}

TEST_F(RepairRunTest, FirmwareLessQf70SkipsTheReplug) {
    rig.console.chipId = 0x0070;
    rig.console.noFirmware = 1;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_FALSE(rig.view.Called("Popup+"));
    rig.TickLibrary(run, 10000);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 1);
}

TEST_F(RepairRunTest, Qf70ReplugReleasesTheLibraryAfterRemovalArrivalAndQuiet) {
    rig.console.chipId = 0x0070;
    rig.geometry.model = 0x0070;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    EXPECT_TRUE(HasLine(rig.fake.debug, "Load 70FW OK"));
    const auto popup = std::find(rig.view.calls.begin(), rig.view.calls.end(), "Popup+");
    ASSERT_NE(popup, rig.view.calls.end());
    EXPECT_EQ(std::vector<std::string>(popup, rig.view.calls.end()),
              Strings({"Popup+", "StatusHidden", "Timer+1/5"}));
    const std::uint64_t before = rig.fake.clock.ticks;

    run.OnDeviceChange(kDeviceRemoveComplete);
    TickReplug(1);
    run.OnDeviceChange(kDeviceArrival);
    TickReplug(31);
    run.OnDeviceChange(kDeviceArrival);  // the drive settles once more: the count starts again
    TickReplug(51);
    EXPECT_FALSE(rig.view.Called("Popup-"));
    rig.TickLibrary(run, 20);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
    EXPECT_EQ(rig.view.endCode, -1);

    TickReplug(1);
    EXPECT_TRUE(rig.view.Called("Popup-"));
    EXPECT_EQ(rig.fake.clock.ticks - before, 1000u);  // a second's pause before the release
    rig.TickLibrary(run, 10000);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 1);
    EXPECT_EQ(rig.view.messages.back(), "Repair complete, Please un-plug device");
}

TEST_F(RepairRunTest, SecondsPauseOnTheDialogThreadBeforeThePopupAndBeforeTheErrorCode) {
    rig.console.chipId = 0x0070;
    rig.geometry.model = 0x0070;
    // Virtual time at each call the run makes, as it makes it. Shared with the hooks, which
    // outlive this body: the fixture stops the run afterwards.
    auto record = std::make_shared<std::vector<std::pair<std::string, std::uint64_t>>>();
    auto& at = *record;
    const std::thread::id dialog = std::this_thread::get_id();
    auto& clock = rig.fake.clock;
    rig.view.onCall = [record, &clock](const std::string& call) { record->emplace_back(call, clock.ticks.load()); };
    FakeLibrary().onGetErrorCode = [record, &clock, dialog] {
        EXPECT_EQ(std::this_thread::get_id(), dialog);
        record->emplace_back("GetErrorCode", clock.ticks.load());
    };
    auto when = [&](const std::string& call) {
        auto found = std::find_if(at.begin(), at.end(), [&](const auto& e) { return e.first == call; });
        EXPECT_NE(found, at.end()) << call;
        return found == at.end() ? 0 : found->second;
    };
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    // The popup comes a second after the replug timer started, not before the pause.
    EXPECT_EQ(when("Popup+") - when("Timer+3/100"), 1000u);

    run.OnDeviceChange(kDeviceRemoveComplete);
    TickReplug(1);
    run.OnDeviceChange(kDeviceArrival);
    TickReplug(60);
    ASSERT_TRUE(rig.view.Called("Popup-"));
    rig.TickLibrary(run, 10000);
    ASSERT_EQ(rig.view.endCode, 2);
    // The error code is asked a second after timer 1 saw the end, and before the run ends.
    EXPECT_EQ(when("GetErrorCode") - when("Timer-1"), 1000u);
    EXPECT_EQ(when("End"), when("GetErrorCode"));
    EXPECT_LT(std::find_if(at.begin(), at.end(), [](const auto& e) { return e.first == "GetErrorCode"; }),
              std::find_if(at.begin(), at.end(), [](const auto& e) { return e.first == "End"; }));
}

TEST_F(RepairRunTest, CloseDuringTheRevertStopsThePassesAndWaits) {
    Gate erase;
    rig.script.eraseGate = &erase;
    rig.view.onClosing = [&] { erase.Open(); };
    run.Start();
    ASSERT_TRUE(erase.AwaitVisitor());
    run.Stop();
    EXPECT_EQ(rig.geometry.Stop.load(), 1);
    EXPECT_TRUE(rig.view.Called("Closing"));
    EXPECT_TRUE(rig.view.Called("Timer-2"));
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(rig.script.Calls(), Strings({"SetEccLimit 3", "EraseAll 1", "Destroy"}));
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
    run.OnTimer(kRevertTimer);  // a timer message still queued does nothing
    EXPECT_TRUE(rig.view.messages.size() == 1 && rig.view.endCode == -1);
}

TEST_F(RepairRunTest, CloseWhileWaitingForTheReplugNeverCallsTheLibrary) {
    rig.console.chipId = 0x0070;
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    ASSERT_TRUE(run.Busy());  // the library worker waits for the drive
    run.Stop();
    EXPECT_FALSE(run.Busy());
    EXPECT_FALSE(rig.view.Called("Closing"));
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
    run.OnDeviceChange(kDeviceRemoveComplete);
    TickReplug(100);
    EXPECT_EQ(FakeLibrary().repairCalls.load(), 0);
}

TEST_F(RepairRunTest, CloseDuringTheLibraryCallWaitsForItToReturn) {
    Gate repair;
    FakeLibrary().repairGate = &repair;
    rig.view.onClosing = [&] { repair.Open(); };
    run.Start();
    ASSERT_TRUE(rig.FinishRevert(run));
    ASSERT_TRUE(repair.AwaitVisitor());
    run.Stop();
    EXPECT_TRUE(rig.view.Called("Closing"));
    EXPECT_TRUE(FakeLibrary().repairReturned.load());
    EXPECT_FALSE(run.Busy());
    run.OnTimer(kLibraryTimer);
    EXPECT_EQ(rig.view.endCode, -1);
}

// Closed in the library phase, the record says what became of the drive: left waiting for
// its re-plug, or as the library call that was let finish left it.
class RecordedRunTest : public RepairRunTest {
protected:
    RepairRun& Recorded() {
        RunContext context = rig.Context();
        context.recorder = &kept;
        recorded = std::make_unique<RepairRun>(context, FakeRevertPasses(rig.script));
        return *recorded;
    }
    testing::KeptReports kept;
    std::unique_ptr<RepairRun> recorded;
};

TEST_F(RecordedRunTest, ClosedWhileWaitingForTheReplugIsInterrupted) {
    rig.console.chipId = 0x0070;
    RepairRun& waiting = Recorded();
    waiting.Start();
    ASSERT_TRUE(rig.FinishRevert(waiting));
    waiting.Stop();
    ASSERT_EQ(kept.reports.size(), 1u);
    EXPECT_EQ(kept.reports[0]["verdict"], "interrupted");
    EXPECT_EQ(kept.reports[0]["reason"], "closed while waiting for the re-plug");
    EXPECT_FALSE(kept.reports[0].contains("library_error"));
}

TEST_F(RecordedRunTest, ClosedDuringTheLibraryCallIsWhatTheLibraryMadeOfIt) {
    Gate repair;
    FakeLibrary().repairGate = &repair;
    rig.view.onClosing = [&] { repair.Open(); };
    RepairRun& calling = Recorded();
    calling.Start();
    ASSERT_TRUE(rig.FinishRevert(calling));
    ASSERT_TRUE(repair.AwaitVisitor());
    calling.Stop();
    ASSERT_EQ(kept.reports.size(), 1u);
    EXPECT_EQ(kept.reports[0]["verdict"], "repaired");
    EXPECT_EQ(kept.reports[0]["library_error"], 0);
    EXPECT_TRUE(kept.reports[0]["phase_seconds"].contains("library"));
}

TEST_F(RepairRunTest, DestroyingARunUnderWayStopsIt) {
    Gate erase;
    rig.script.eraseGate = &erase;
    rig.view.onClosing = [&] { erase.Open(); };
    {
        RepairRun other(rig.Context(), FakeRevertPasses(rig.script));
        other.Start();
        ASSERT_TRUE(erase.AwaitVisitor());
    }
    EXPECT_EQ(rig.geometry.Stop.load(), 1);
    EXPECT_EQ(rig.script.Calls().back(), "Destroy");
}

}  // namespace
}  // namespace mendora
