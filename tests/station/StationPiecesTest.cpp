#include <gtest/gtest.h>

#include "tools/station/DriveRow.h"
#include "tools/station/Eta.h"
#include "tools/station/LineLink.h"
#include "tools/station/ReplugFollow.h"

namespace mendora::station {
namespace {

TEST(StationEta, RateOfTheCurrentPhaseWeightedByItsShare) {
    Eta eta;
    eta.Update(Phase::Erase, 0, 0);
    EXPECT_FALSE(eta.SecondsLeft(0.1));  // nothing measured yet
    eta.Update(Phase::Erase, 1.0, 5);
    eta.Update(Phase::PatternWrite, 0, 5);  // erase: 0.05 of the work in 5 s
    eta.Update(Phase::PatternWrite, 0.5, 25);
    // Half the write (0.20 of the work) took 20 s: 0.01 per second; 0.75 of the work is left.
    EXPECT_NEAR(eta.Done(), 0.25, 1e-9);
    ASSERT_TRUE(eta.SecondsLeft(25));
    EXPECT_NEAR(*eta.SecondsLeft(25), 75, 1e-6);
    // A new phase without progress yet takes the rate of the phases done.
    eta.Update(Phase::Verify, 0, 45);
    ASSERT_TRUE(eta.SecondsLeft(45));
    EXPECT_NEAR(*eta.SecondsLeft(45), 0.55 / (0.45 / 45), 1e-6);
}

TEST(StationEta, SkippedPhasesLateLinesReplugAndEnd) {
    Eta eta;
    eta.Update(Phase::BlankCheck, 0.5, 0);  // everything before counted done
    EXPECT_NEAR(eta.Done(), 0.80, 1e-9);
    eta.Update(Phase::Verify, 0.1, 1);  // a late line of an earlier phase changes nothing
    EXPECT_NEAR(eta.Done(), 0.80, 1e-9);
    eta.Update(Phase::Replug, 0, 2);
    EXPECT_FALSE(eta.SecondsLeft(3));  // the user's re-plug has no rate
    eta.Update(Phase::Done, 1, 4);
    EXPECT_EQ(eta.Done(), 1.0);
    EXPECT_EQ(*eta.SecondsLeft(4), 0.0);
}

// Ticks until the follow releases; -1 when it does not within `limit`.
int TicksToRelease(ReplugFollow& follow, int limit = 200) {
    for (int tick = 1; tick <= limit; ++tick)
        if (follow.Tick()) return tick;
    return -1;
}

TEST(StationReplug, BothEdgesWithinOneTickOrAsANewInstanceCountAndOthersDoNot) {
    const int quiet = static_cast<int>(ReplugFollow::kQuietTicks) + 1;
    // A virtual drive's removal and arrival between two ticks.
    ReplugFollow quick(std::string{});
    quick.Saw(std::nullopt);
    quick.Saw(std::string{});
    EXPECT_EQ(TicksToRelease(quick), quiet + 1);
    EXPECT_TRUE(quick.Released());
    // A USB disk back before its removal was looked at: another instance of it.
    ReplugFollow usb(std::string("host3/sg1#5"));
    usb.Saw(std::string("host4/sg1#6"));
    EXPECT_EQ(TicksToRelease(usb), quiet + 1);
    // Gone, and back only many ticks later; a change while settling starts the quiet again.
    ReplugFollow slow(std::string("a"));
    slow.Saw(std::nullopt);
    EXPECT_EQ(TicksToRelease(slow, 100), -1);
    slow.Saw(std::string("b"));
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(slow.Tick());
    slow.Saw(std::string("c"));
    EXPECT_EQ(TicksToRelease(slow), quiet + 1);
    // Events of other drives leave this one as it was: nothing is released.
    ReplugFollow still(std::string("a"));
    for (int i = 0; i < 5; ++i) still.Saw(std::string("a"));
    EXPECT_EQ(TicksToRelease(still), -1);
    EXPECT_FALSE(still.Released());
}

TEST(StationSpeed, BytesOverTheWindow) {
    SpeedMeter speed;
    speed.Add(0, 0);
    speed.Add(0.2, 1e6);
    EXPECT_EQ(speed.BytesPerSecond(), 0);  // too short to tell
    speed.Add(1.0, 4e6);
    EXPECT_NEAR(speed.BytesPerSecond(), 4e6, 1);
    speed.Add(3.0, 4e6);  // stalled: the rate falls
    EXPECT_NEAR(speed.BytesPerSecond(), 4e6 / 3, 1);
}

TEST(StationLines, WholeLinesOnlyAndOddLinesSkipped) {
    LineReader reader;
    nlohmann::json line;
    const std::string first = "{\"t\":\"progress\",\"fraction\":0.5}\nnot json\n[1,2]\n{\"t\":";
    reader.Add(first.data(), first.size());
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line["fraction"], 0.5);
    EXPECT_FALSE(reader.Next(&line));  // the rest is junk or incomplete
    reader.Add("\"report\"}\n", 10);
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line["t"], "report");
}

TEST(StationRows, VerdictsBadCountsAndALostWorker) {
    DriveRow row;
    row.name = "E:";
    row.Apply({{"t", "identity"}, {"description", "Maker Disk QF90 64MB"}, {"chip_id", 0x90}}, 0);
    row.Apply({{"t", "progress"}, {"phase", "verify"}, {"fraction", 0.25}, {"chip", 1}, {"block", 17}, {"bad", 3}}, 1);
    RowView v = ViewOf(row, 1);
    EXPECT_EQ(v.model, "QF90 64MB");
    EXPECT_EQ(v.phase, "verify");
    EXPECT_EQ(v.bad, "3");
    EXPECT_EQ(v.verdict, "working");

    row.Lost("the worker stopped answering and was ended");
    v = ViewOf(row, 2);
    EXPECT_EQ(v.verdict, "failed: the worker stopped answering and was ended (at chip 1 block 17)");
    nlohmann::json report = row.Report();
    EXPECT_EQ(report["drive"], "E:");
    EXPECT_EQ(report["chip_id"], 0x90);
    EXPECT_EQ(report["block_reached"]["block"], 17);

    DriveRow stopped;
    stopped.Apply({{"t", "report"}, {"verdict", "interrupted"}, {"block_reached", {{"chip", 0}, {"block", 40}}},
                   {"bad_block_count", 2}},
                  0);
    EXPECT_EQ(ViewOf(stopped, 0).verdict, "interrupted at chip 0 block 40");
    EXPECT_EQ(ViewOf(stopped, 0).bad, "2");
    DriveRow refused;
    refused.Apply({{"t", "report"}, {"verdict", "refused"}, {"reason", "not supported"}}, 0);
    EXPECT_EQ(ViewOf(refused, 0).verdict, "refused: not supported");

    // The PHASE column of a drive that ended short of done says so and where; DONE keeps
    // the share it had done.
    EXPECT_EQ(v.phase, "failed in verify");
    EXPECT_EQ(v.percent, "52%");  // erase, pattern write, and a quarter of the verify
    EXPECT_EQ(v.left, "-");
    EXPECT_EQ(row.Report()["phase"], "verify");
    DriveRow cut;
    cut.Apply({{"t", "progress"}, {"phase", "erase"}, {"fraction", 1.0}}, 0);
    cut.Apply({{"t", "report"}, {"verdict", "interrupted"}, {"phase", "pattern write"}}, 1);
    EXPECT_EQ(ViewOf(cut, 1).phase, "interrupted in pattern write");
    EXPECT_EQ(ViewOf(cut, 1).percent, "5%");
    cut.Lost("never reached a block");
    EXPECT_EQ(ViewOf(cut, 1).verdict, "failed: never reached a block");  // no place to name
    DriveRow done;
    done.Apply({{"t", "report"}, {"verdict", "repaired"}, {"phase", "done"}}, 3);
    EXPECT_EQ(ViewOf(done, 3).phase, "done");
    EXPECT_EQ(ViewOf(done, 3).percent, "100%");

    auto lines = TableLines({ViewOf(row, 2), ViewOf(refused, 0)});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].find("MODEL"), lines[1].find("QF90"));  // columns line up
}

}  // namespace
}  // namespace mendora::station
