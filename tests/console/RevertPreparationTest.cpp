#include "console/RevertPreparation.h"

#include <gtest/gtest.h>

namespace mendora {
namespace {

LibraryAnswers Qf90Answers() {
    LibraryAnswers a;
    a.driveLetter = 'D';
    const std::uint8_t id[5] = {0x2C, 0xD7, 0x94, 0x3E, 0x84};
    for (int i = 0; i < 5; ++i) a.chipId[i] = id[i];
    a.model = 0x90, a.attribute = 0x00, a.zoneBank = 2, a.chipCount = 2;
    a.maxSectors = 128, a.maxLogSectors = 1024, a.maxBlocks = 1024, a.maxZones = 4;
    a.a1Version = 0, a.redundantSymbol = 8;
    return a;
}

TEST(RevertPreparation, FillsTheGeometryFromTheLibraryAnswers) {
    FlashGeometry g;
    RevertOptions o;
    g.Status = 7, g.Progress = 55, g.BadBlockCount = 9;
    PrepareRevertRecords(Qf90Answers(), g, o);
    EXPECT_STREQ(g.DriveName, "D:");
    EXPECT_EQ(g.model, 0x0090u);
    EXPECT_EQ(g.chipcnt, 2u);
    EXPECT_EQ(g.MLC, 1u);  // 94h has bit 2 set
    EXPECT_EQ(g.DualMode, 0u);
    EXPECT_EQ(g.zbank, 2);
    EXPECT_EQ(g.PagesPerBlock, 128u);
    EXPECT_EQ(g.SectorsPerPage, 8u);
    EXPECT_EQ(g.SectorsPerBlocks, 1024u);
    EXPECT_EQ(g.BlocksPerChip, 4096u);
    EXPECT_EQ(g.ProgressShare, 100);
    EXPECT_EQ(g.Status.load(), 0);
    EXPECT_EQ(g.Progress.load(), 0u);
    EXPECT_EQ(g.BadBlockCount.load(), 0u);
    EXPECT_EQ(g.ReduantSymbol, 8);
}

TEST(RevertPreparation, UsesTheConsolesFixedOptions) {
    FlashGeometry g;
    RevertOptions o;
    o.TestLevel = 2, o.PageListMode = 1;
    PrepareRevertRecords(Qf90Answers(), g, o);
    EXPECT_EQ(o.EccLimit, 2);
    EXPECT_EQ(o.TestLevel, 0);
    EXPECT_EQ(o.SettingIndexA, 1);
    EXPECT_EQ(o.SettingIndexB, 3);
    EXPECT_EQ(o.PageListCount, 6);
    EXPECT_EQ(o.PageListMode, 0u);
    EXPECT_EQ(o.PairedPageMode, 0u);
}

TEST(RevertPreparation, DerivedFlagsAndAZeroPageCount) {
    LibraryAnswers a = Qf90Answers();
    a.chipId[2] = 0x13;  // bits 2-3 clear
    a.attribute = 0x20;
    a.a1Version = 7;
    a.maxSectors = 0;
    FlashGeometry g;
    RevertOptions o;
    PrepareRevertRecords(a, g, o);
    EXPECT_EQ(g.MLC, 0u);
    EXPECT_EQ(g.DualMode, 1u);
    EXPECT_EQ(g.A1Version, 1u);
    EXPECT_EQ(g.SectorsPerPage, 0u);  // refused later by the engine, not a division by zero
}

TEST(RevertPreparation, DebuggerLinesShowEachValueInHex) {
    EXPECT_EQ(DeviceAttribLine(Qf90Answers()),
              "chipid[0]=2c,chipid[1]=d7,chipid[2]=94,chipid[3]=3e,chipid[4]=84,model=90,attrib=0,zbank=2,chipcnt=2");
    EXPECT_EQ(FlashAttribLine(Qf90Answers()),
              "maxSectors=80,maxLogSectors=400,maxBlocks=400,maxZones=4,A1Version=0,ReduantSymbol=8");
}

}  // namespace
}  // namespace mendora
