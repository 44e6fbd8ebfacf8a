#include <gtest/gtest.h>

#include "console/BadBlockShare.h"
#include "console/RepairFlags.h"
#include "console/ReplugWatch.h"
#include "console/RunSummary.h"

namespace mendora {
namespace {

TEST(RepairFlags, ForcedUpdateGivesA0PlusTheSelectionCode) {
    for (std::uint8_t code = 0; code <= 3; ++code) {
        EXPECT_EQ(RepairFlagsFor(code, false, false, 0x0090), 0xA0 + code);
        EXPECT_EQ(RepairFlagsFor(code, false, false, 0x0050), 0xA0 + code);  // forced whatever the chip
    }
    EXPECT_EQ(RepairFlagsFor(2, true, true, 0x0070), 0xE2);
    EXPECT_EQ(RepairFlagsFor(0x3F, false, false, 0x0090), 0xBF);  // the code keeps to bits 0-4
}

TEST(RepairFlags, WithoutTheForcedUpdateOnlyAQf70OrQf90WithTheBoxCheckedUpdates) {
    EXPECT_EQ(RepairFlagsFor(1, false, true, 0x0070, 0), 0x81);
    EXPECT_EQ(RepairFlagsFor(1, false, true, 0x0090, 0), 0x81);
    EXPECT_EQ(RepairFlagsFor(1, false, true, 0x0050, 0), 0x01);
    EXPECT_EQ(RepairFlagsFor(1, true, false, 0x0090, 0), 0x41);
}

TEST(RevertTexts, StatusLineAndSummaryAreExact) {
    EXPECT_EQ(RevertStatusLine(3, 120, 4), "Status : Writing data\nScanned Blocks : 120\nBad Blocks : 4");
    EXPECT_EQ(RevertStatusLine(5, 0, 0), "Status : \nScanned Blocks : 0\nBad Blocks : 0");
    EXPECT_EQ(RevertStatusLine(200, 1, 2), "Status : \nScanned Blocks : 1\nBad Blocks : 2");
    EXPECT_EQ(RevertSummary(7, 65 * 60 + 3), "Bad Blocks : 7, Escape time : 05 mins 03 secs");
    EXPECT_EQ(RevertSummary(0, 0), "Bad Blocks : 0, Escape time : 00 mins 00 secs");
    EXPECT_EQ(RevertSummary(12, 59 * 60 + 59), "Bad Blocks : 12, Escape time : 59 mins 59 secs");
    EXPECT_EQ(RevertSummary(1, -30), "Bad Blocks : 1, Escape time : 00 mins 00 secs");
}

TEST(BadBlockShare, CapsAtTotalOverDivisor) {
    BadBlockShare share = BadBlockShareOf(150, 1000, 10, "Bad Blocks");
    EXPECT_EQ(share.spanDegrees, 36u);
    EXPECT_EQ(share.label, "Bad Blocks : 10.00 %");
    share = BadBlockShareOf(25, 1000, 10, "Bad Blocks");
    EXPECT_EQ(share.spanDegrees, 9u);
    EXPECT_EQ(share.label, "Bad Blocks : 2.50 %");
}

TEST(BadBlockShare, ZeroTotalOrDivisorCountsAgainst1536) {
    EXPECT_EQ(BadBlockShareOf(2000, 0, 10, "B").label, "B : 100.00 %");
    EXPECT_EQ(BadBlockShareOf(2000, 0, 10, "B").spanDegrees, 360u);
    BadBlockShare share = BadBlockShareOf(16, 1000, 0, "B");
    EXPECT_EQ(share.spanDegrees, 3u);  // 16 x 360 / 1536 = 3.75, truncated
    EXPECT_EQ(share.label, "B : 1.04 %");
    EXPECT_EQ(BadBlockShareOf(0, 0, 0, "B").label, "B : 0.00 %");
}

TEST(BadBlockShare, LargeCountsDoNotWrap) {
    EXPECT_EQ(BadBlockShareOf(3'000'000'000u, 4'000'000'000u, 1, "B").spanDegrees, 270u);
}

// Plays a removal and an arrival, then n quiet ticks; answers the tick that released, or 0.
int ReleaseTickAfterReplug(ReplugWatch& watch, int quiet) {
    watch.OnRemoval();
    EXPECT_FALSE(watch.Tick());
    watch.OnArrival();
    EXPECT_FALSE(watch.Tick());
    for (int tick = 1; tick <= quiet; ++tick)
        if (watch.Tick()) return tick;
    return 0;
}

TEST(ReplugWatch, ReleasesOnTheFiftyFirstQuietTickAfterARemovalAndAnArrival) {
    ReplugWatch watch;
    EXPECT_EQ(ReleaseTickAfterReplug(watch, 60), 51);
    EXPECT_TRUE(watch.Released());
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(watch.Tick());  // once only
}

TEST(ReplugWatch, AFurtherEventRestartsTheQuietCount) {
    ReplugWatch watch;
    EXPECT_EQ(ReleaseTickAfterReplug(watch, 30), 0);
    watch.OnArrival();
    EXPECT_FALSE(watch.Tick());  // the event tick itself
    for (int tick = 1; tick <= 50; ++tick) ASSERT_FALSE(watch.Tick()) << tick;
    EXPECT_TRUE(watch.Tick());
}

TEST(ReplugWatch, RemovalAndArrivalInOneTickCountAsARemovalOnly) {
    ReplugWatch watch;
    watch.OnRemoval();
    watch.OnArrival();
    EXPECT_FALSE(watch.Tick());
    for (int tick = 0; tick < 60; ++tick) ASSERT_FALSE(watch.Tick());
    watch.OnArrival();
    EXPECT_FALSE(watch.Tick());
    for (int tick = 1; tick <= 50; ++tick) ASSERT_FALSE(watch.Tick());
    EXPECT_TRUE(watch.Tick());
}

TEST(ReplugWatch, RestartForgetsWhatWasSeen) {
    ReplugWatch watch;
    watch.OnRemoval();
    watch.Tick();
    watch.OnArrival();
    watch.Restart();
    for (int tick = 0; tick < 60; ++tick) ASSERT_FALSE(watch.Tick());
}

}  // namespace
}  // namespace mendora
