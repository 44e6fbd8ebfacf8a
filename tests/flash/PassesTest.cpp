#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/flash/EngineTestKit.h"

namespace mendora::testing {
namespace {

using vdrive::BlockStatus;
using vdrive::format::BlockKind;

std::vector<BlockStatus> OfKind(EngineBench& b, BlockKind kind) {
    std::string error;
    std::vector<BlockStatus> found;
    auto blocks = b.drive->Blocks(&error);
    for (const BlockStatus& s : *blocks) {
        if (s.kind == kind) found.push_back(s);
    }
    return found;
}

std::set<std::pair<std::uint32_t, std::uint32_t>> Where(const std::vector<BlockStatus>& blocks) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> at;
    for (const BlockStatus& s : blocks) at.insert({s.chip, s.block});
    return at;
}

vdrive::DriveSetup Planted(std::uint32_t factoryBad, std::uint32_t weak) {
    vdrive::DriveSetup setup = SmallDrive(2, 32);
    setup.plantings.factoryBad = factoryBad;
    setup.plantings.weak = weak;
    setup.plantings.seed = 7;
    return setup;
}

TEST(BadBlocks, FactoryBadAndWeakBlocksEndMarkedCountedAndMapped) {
    EngineBench b(Planted(3, 2));
    auto engine = b.Engine();
    ASSERT_EQ(engine->EraseAll(1), 2);
    ASSERT_EQ(engine->PatternTest(1), 2);
    // The read phase counts the factory marks and the verify failures; write failures are not part of it.
    EXPECT_EQ(engine->PreviousCount(), 5u);
    EXPECT_EQ(b.geo.BadBlockCount, 5u);
    auto bad = Where(OfKind(b, BlockKind::FactoryBad)), weak = Where(OfKind(b, BlockKind::Weak));
    for (std::uint32_t chip = 0; chip < 2; ++chip) {
        for (std::uint32_t block = 0; block < 32; ++block) {
            bool planted = bad.count({chip, block}) || weak.count({chip, block});
            EXPECT_EQ(engine->BadBlockMap()[chip * 32 + block], planted ? 1 : 0) << chip << ":" << block;
        }
    }
    // Only the weak blocks were marked by the engine: two writes of zeros with a zero mark each.
    auto marks = b.SentWith(0xF6);
    EXPECT_EQ(std::count_if(marks.begin(), marks.end(), [](const SentCommand& c) { return c.cdb[1] == 0; }), 4);
    ASSERT_EQ(engine->CheckBlank(), 2);
    EXPECT_EQ(b.geo.BadBlockCount, 5u);
    EXPECT_EQ(Where(b.Marked()).size(), 5u);
}

TEST(BadBlocks, AMarkThatDoesNotStickIsAShortfallThatFailsOnlyWhenAskedTo) {
    for (std::optional<std::uint32_t> skip : {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{0},
                                              std::optional<std::uint32_t>{1}}) {
        EngineBench b(Planted(1, 2));
        auto weak = OfKind(b, BlockKind::Weak);
        std::string error;
        ASSERT_TRUE(b.drive->SetBlockFlags(weak[0].chip, weak[0].block, vdrive::format::kMarkSlips, &error));
        if (skip) b.fakes.registry.Set("software\\kzrevert", "SkipCannotmarkBad", *skip);
        auto engine = b.Engine();
        ASSERT_EQ(engine->EraseAll(1), 2);
        ASSERT_EQ(engine->PatternTest(1), 2);
        EXPECT_EQ(b.geo.BadBlockCount, 3u);
        std::uint8_t result = engine->CheckBlank();
        EXPECT_EQ(result, skip == 0u ? 1 : 2);
        EXPECT_EQ(b.geo.Status, result);
        EXPECT_EQ(b.geo.BadBlockCount, 2u);
        EXPECT_EQ(engine->BadBlockMap()[weak[0].chip * 32 + weak[0].block], 2);
        EXPECT_EQ(engine->BadBlockMap()[weak[1].chip * 32 + weak[1].block], 1);
    }
}

TEST(BadBlocks, BlankCheckAtLevelTwoMarksWhatNoLongerVerifies) {
    EngineBench b(Planted(0, 2));
    b.options.TestLevel = 2;
    auto engine = b.Engine();
    // Without a pattern test the weak blocks are found by the blank check's own verify.
    ASSERT_EQ(engine->EraseAll(1), 2);
    std::vector<std::uint8_t> onePage(16 * 512, 0x11);
    for (const BlockStatus& s : OfKind(b, BlockKind::Weak)) {
        Bytes cdb = Addressed(0xF6, s.block * 16, static_cast<std::uint8_t>(1 << (2 * s.chip)));
        cdb[1] = cdb[9] = cdb[10] = cdb[11] = 0xFF;
        cdb[8] = 16;
        ASSERT_TRUE(Send(*b.drive, cdb, vdrive::Direction::Out, onePage).TransportOk());
    }
    // A written page with a blank user area is no mark; the verify then finds the flipped bits.
    EXPECT_EQ(engine->CheckBlank(), 2);
    EXPECT_EQ(engine->BadCounter(), 2u);
    EXPECT_EQ(Where(b.Marked()), Where(OfKind(b, BlockKind::Weak)));
}

TEST(TestLevels, OnlyLevelTwoVerifiesTheBlankCheckAndInvertsThePattern) {
    struct Row {
        std::uint8_t level;
        std::size_t eraseCommands, statusErases, writes, blankReads;
    };
    // 2 chips of 8 blocks, 16 sectors a block: one write and one status read per block.
    for (Row row : {Row{0, 16, 0, 16, 0}, Row{1, 0, 16, 16, 0}, Row{2, 0, 16, 32, 16}}) {
        SCOPED_TRACE(static_cast<int>(row.level));
        EngineBench b(SmallDrive(2, 8));
        b.options.TestLevel = row.level;
        auto engine = b.Engine();
        ASSERT_EQ(engine->EraseAll(1), 2);
        EXPECT_EQ(b.SentWith(0xF5).size(), row.eraseCommands);
        EXPECT_EQ(b.SentWith(0xFE).size(), row.statusErases);
        ASSERT_EQ(engine->PatternTest(1), 2);
        EXPECT_EQ(b.SentWith(0xF6).size(), row.writes);
        EXPECT_EQ(b.geo.PatternCode, row.level == 2 ? 5u : 1u);
        const std::size_t reads = b.SentWith(0xF8).size();
        ASSERT_EQ(engine->CheckBlank(), 2);
        EXPECT_EQ(b.SentWith(0xF8).size() - reads, row.blankReads);
    }
}

TEST(BadBlocks, ShortfallIsLoggedWithBothCounts) {
    EngineBench b(Planted(1, 2));
    auto weak = OfKind(b, BlockKind::Weak);
    std::string error;
    ASSERT_TRUE(b.drive->SetBlockFlags(weak[0].chip, weak[0].block, vdrive::format::kMarkSlips, &error));
    auto was = std::filesystem::current_path();
    std::filesystem::current_path(b.dir.Path());
    {
        auto engine = b.Engine(1);
        EXPECT_EQ(engine->EraseAll(1), 2);
        EXPECT_EQ(engine->PatternTest(1), 2);
        EXPECT_EQ(engine->CheckBlank(), 2);
    }
    std::filesystem::current_path(was);
    std::ifstream file(b.dir / "RevertLog01.txt");
    std::string log((std::istreambuf_iterator<char>(file)), {});
    const std::string tail = "Bad blocks(2) record in flash is not equal to we tested (3)!\n"
                             "Check total bad block count= 2\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(BadBlocks, FirstPageWithoutItsPageNumberIsCountedButNotMarked) {
    // The writes of block 5 on chip 0 fail: it keeps the erased first page, whose page
    // number reads FF FF FF and whose mark bytes are FF.
    EngineBench b(SmallDrive(2, 8));
    std::string error;
    ASSERT_TRUE(b.drive->AddFault({vdrive::format::FaultKind::FailCommand, 0xF6, 0, 5, 0}, &error));
    auto engine = b.Engine();
    ASSERT_EQ(engine->EraseAll(1), 2);
    const std::size_t before = b.drives.sent.size();
    ASSERT_EQ(engine->PatternTest(1), 2);
    EXPECT_EQ(engine->PreviousCount(), 1u);
    EXPECT_EQ(b.geo.BadBlockCount, 1u);
    EXPECT_EQ(engine->BadBlockMap()[5], 1);
    EXPECT_EQ(std::count(engine->BadBlockMap().begin(), engine->BadBlockMap().end(), 1), 1);
    // Neither verified nor marked (no write of the zero mark) nor erased as a good block.
    for (std::size_t i = before; i < b.drives.sent.size(); ++i) {
        const Bytes& cdb = b.drives.sent[i].cdb;
        EXPECT_FALSE(cdb[0] == 0xF6 && cdb[1] == 0x00) << i;
        if (cdb[0] == 0xF8 || (cdb[0] == 0xF5 && b.geo.Status == 4)) EXPECT_NE(cdb, Addressed(cdb[0], 5 * 16, 1)) << i;
    }
    EXPECT_EQ(engine->CheckBlank(), 2);
    EXPECT_TRUE(b.Marked().empty());
}

TEST(PatternTest, BadBlockCountHoldsTheFirstReadCountThroughTheInvertedPhases) {
    EngineBench b(Planted(1, 1));
    b.options.TestLevel = 2;
    auto engine = b.Engine();
    ASSERT_EQ(engine->EraseAll(1), 2);
    std::set<std::uint32_t> firstRead, inverted;
    b.drives.onSend = [&](const SentCommand&) {
        if (b.geo.PatternCode == 5) inverted.insert(b.geo.BadBlockCount);
        else if (b.geo.Status == 4) firstRead.insert(b.geo.BadBlockCount);
    };
    ASSERT_EQ(engine->PatternTest(1), 2);
    ASSERT_FALSE(firstRead.empty());
    EXPECT_EQ(*firstRead.rbegin(), 2u);
    // The inverted phases count from 0 again; the display waits until they reach 2.
    EXPECT_EQ(inverted, (std::set<std::uint32_t>{2}));
    EXPECT_EQ(engine->PreviousCount(), 2u);
}

TEST(PassEnds, RemovalMidPassIsFlashErrorAndTheStopFlagIsUserBreak) {
    {
        EngineBench b(SmallDrive(2, 16));
        auto engine = b.Engine();
        ASSERT_EQ(engine->EraseAll(1), 2);
        std::string error;
        b.drive->RemoveAfter(20, &error);
        EXPECT_EQ(engine->PatternTest(1), 8);
        EXPECT_EQ(b.geo.Status, 8);
        EXPECT_EQ(b.geo.Progress, 200u);
        EXPECT_TRUE(b.fakes.messages.shown.empty());
    }
    {
        EngineBench b(SmallDrive(2, 16));
        auto engine = b.Engine();
        std::string error;
        b.drive->SetChipSilent(0, true, &error);
        EXPECT_EQ(engine->PatternTest(1), 8);
        ASSERT_EQ(b.fakes.messages.shown.size(), 1u);
        EXPECT_EQ(b.fakes.messages.shown[0].text, "Flash not exist!");
        EXPECT_EQ(b.SentWith(0xF1).size(), 3u + 5u);  // five probes
        EXPECT_EQ(b.fakes.clock.ticks, 400u + 5 * 200u);
    }
    for (int pass = 0; pass < 3; ++pass) {
        SCOPED_TRACE(pass);
        EngineBench b(SmallDrive(2, 16));
        auto engine = b.Engine();
        std::size_t sent = 0;
        b.drives.onSend = [&](const SentCommand&) {
            if (++sent == 10) b.geo.Stop = 1;
        };
        std::uint8_t result = pass == 0 ? engine->EraseAll(1) : pass == 1 ? engine->PatternTest(1) : engine->CheckBlank();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(b.geo.Status, 0);
        EXPECT_EQ(b.geo.ProgressBase, 100);
        EXPECT_LT(b.drives.sent.size(), 14u + 12u);
    }
}

// The complete revert of a small drive at a test level, the drive removed after `removeAfter`
// commands (-1: never); the result and the number of commands sent.
std::pair<std::uint8_t, std::size_t> RevertWithRemoval(std::uint8_t level, std::int32_t removeAfter) {
    vdrive::DriveSetup setup = SmallDrive(2, 8);
    setup.plantings.factoryBad = 1;
    setup.plantings.weak = 1;
    EngineBench b(setup);
    b.options.TestLevel = level;
    b.options.RecordBadBlockTable = 1;
    std::string error;
    b.drive->RemoveAfter(removeAfter, &error);
    std::uint8_t result = b.RunComplete();
    return {result, b.drives.sent.size()};
}

// A drive found again after a port reset answers, but its controller has lost the revert
// image: from the first command after the reset the run fails, at whatever pass it was.
TEST(PassEnds, ARevertAfterAPortResetNeverEndsInSuccess) {
    std::size_t commands = 0;
    {
        EngineBench clean(SmallDrive(2, 8));
        ASSERT_EQ(clean.RunComplete(), 2);
        commands = clean.drives.sent.size();
    }
    for (std::size_t k = 0; k < commands; k += 1 + commands / 20) {
        EngineBench b(SmallDrive(2, 8));
        b.drives.resetAfter = k;
        EXPECT_NE(b.RunComplete(), 2) << "reset after " << k << " of " << commands;
    }
}

TEST(PassEnds, ARemovalAtAnyCommandOfARevertNeverEndsInSuccess) {
    for (std::uint8_t level : {0, 1, 2}) {
        auto [clean, commands] = RevertWithRemoval(level, -1);
        ASSERT_EQ(clean, 2) << int(level);
        // Every command up to the last one: a drive gone before it is a failed run.
        for (std::size_t k = 0; k < commands; k += 1 + commands / 50) {
            EXPECT_NE(RevertWithRemoval(level, static_cast<std::int32_t>(k)).first, 2)
                << "level " << int(level) << ", removed after " << k << " of " << commands;
        }
        EXPECT_NE(RevertWithRemoval(level, static_cast<std::int32_t>(commands - 1)).first, 2) << int(level);
    }
}

TEST(FlashIds, ExcludedRangesAndTheFlashThatIsNeverErasedInAPass) {
    EngineBench b(SmallDrive(1, 8));
    auto engine = b.Engine();
    for (const auto& id : {Bytes{0x45, 0xC5, 0x95, 0xA5, 0xEA}, Bytes{0x45, 0xC5, 0x95, 0xE5, 0xEA}}) {
        std::copy(id.begin(), id.end(), b.geo.chipid);
        for (std::uint32_t block : {4145u, 8192u, 13311u}) EXPECT_FALSE(engine->IsExcludedBlock(block)) << block;
        for (std::uint32_t block : {4146u, 8191u, 13312u, 65535u}) EXPECT_TRUE(engine->IsExcludedBlock(block)) << block;
    }
    b.geo.chipid[3] = 0xA6;
    EXPECT_FALSE(engine->IsExcludedBlock(5000));

    const Bytes noErase = {0x45, 0xC5, 0x85, 0xBA, 0xF4};
    std::copy(noErase.begin(), noErase.end(), b.geo.chipid);
    EXPECT_TRUE(engine->NoEraseFlash());
    b.geo.Status = 10;
    const std::size_t before = b.drives.sent.size();
    EXPECT_EQ(engine->EraseAll(1), 2);
    EXPECT_EQ(b.drives.sent.size(), before);
    EXPECT_EQ(b.geo.Status, 10);
    EXPECT_EQ(b.geo.ProgressBase, 0);
    ASSERT_EQ(engine->PatternTest(1), 2);
    // No erase pass finished, so each block is erased twice before it is written.
    std::vector<std::uint8_t> writeOps;
    for (std::size_t i = before; i < b.drives.sent.size() && writeOps.size() < 6; ++i) {
        std::uint8_t op = b.drives.sent[i].cdb[0];
        if (op == 0xF5 || op == 0xF6) writeOps.push_back(op);
    }
    EXPECT_EQ(writeOps, (std::vector<std::uint8_t>{0xF5, 0xF5, 0xF6, 0xF5, 0xF5, 0xF6}));
}

// The chip-enable masks of the write and the read commands, in order of first use.
std::pair<Bytes, Bytes> Masks(EngineBench& b) {
    Bytes writes, reads;
    for (const auto& c : b.drives.sent) {
        Bytes& into = c.cdb[0] == 0xF6 ? writes : c.cdb[0] == 0xF8 ? reads : writes;
        if (c.cdb[0] != 0xF6 && c.cdb[0] != 0xF8) continue;
        if (into.empty() || into.back() != c.cdb[12]) into.push_back(c.cdb[12]);
    }
    return {writes, reads};
}

TEST(Interleave, ChipGroupsOfTheWritePhase) {
    struct Row {
        std::uint8_t index;
        Bytes writes;
        std::uint32_t writeCommands;
    };
    for (Row row : {Row{0, {1, 4}, 16}, Row{1, {5}, 8}, Row{2, {5}, 8}, Row{9, {1, 4}, 16}}) {
        SCOPED_TRACE(static_cast<int>(row.index));
        EngineBench b(SmallDrive(2, 8));
        b.options.InterleaveIndex = row.index;
        auto engine = b.Engine();
        ASSERT_EQ(engine->EraseAll(1), 2);
        ASSERT_EQ(engine->PatternTest(1), 2);
        auto [writes, reads] = Masks(b);
        EXPECT_EQ(writes, row.writes);
        EXPECT_EQ(reads, (Bytes{1, 4}));
        EXPECT_EQ(b.SentWith(0xF6).size(), row.writeCommands);
        EXPECT_EQ(engine->CheckBlank(), 2);
        EXPECT_TRUE(b.Marked().empty());
    }
    EngineBench four(SmallDrive(4, 2));
    four.options.InterleaveIndex = 2;
    auto engine = four.Engine();
    EXPECT_EQ(engine->SelectInterleave(), 4u);
    EXPECT_EQ(engine->Mask(), 0x55);
}

TEST(Interleave, TwoPlanesStepByTwoBlocksBetweenSwitches) {
    EngineBench b(SmallDrive(1, 8));
    b.options.TwoPlane = 1;  // the drive has two banks
    auto engine = b.Engine();
    EXPECT_EQ(b.SentWith(0xFC).at(0).cdb, (Bytes{0xFC, 0x00, 0x88, 0x55, 0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(engine->PatternBuffer().size(), 2u * 16 * 512);
    ASSERT_EQ(engine->EraseAll(1), 2);
    ASSERT_EQ(engine->PatternTest(0), 2);
    std::vector<Bytes> switches;
    for (const auto& c : b.SentWith(0xFC)) switches.push_back(c.cdb);
    const Bytes on = {0xFC, 0, 0, 0, 1, 0, 0, 0, 0, 0}, off = {0xFC, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // Start, erase pass on/off, write phase on/off, end of the test off.
    EXPECT_EQ(switches, (std::vector<Bytes>{switches[0], on, off, on, off, off}));
    auto erases = b.SentWith(0xF5);
    EXPECT_EQ(erases.at(1).cdb, Addressed(0xF5, 32, 1));  // block 2 after block 0
    auto writes = b.SentWith(0xF6);
    EXPECT_EQ(writes.at(0).cdb[8], 32);  // two blocks' sectors in one command
    EXPECT_EQ(writes.at(1).cdb, (Bytes{0xF6, 0xFF, 0, 0, 0, 32, 0, 0, 32, 0xFF, 0xFF, 0xFF, 1}));
}

TEST(Interleave, AWriteFailureInARangesOddLastBlockCountsThatBlockOnce) {
    vdrive::DriveSetup setup = SmallDrive(1, 8);
    setup.plantings.factoryBad = 1;
    EngineBench b(setup);
    b.options.TwoPlane = 1;
    // The range is the factory-bad block alone, so its pair reaches past the range's end.
    const std::uint32_t bad = OfKind(b, BlockKind::FactoryBad).at(0).block;
    b.fakes.registry.Set("software\\kzrevert", "TestStartBlock", bad);
    b.fakes.registry.Set("software\\kzrevert", "TestBlockCount", 1);
    std::uint32_t mostShown = 0;
    b.drives.onSend = [&](const SentCommand&) { mostShown = std::max<std::uint32_t>(mostShown, b.geo.BadBlockCount); };
    auto engine = b.Engine();
    ASSERT_EQ(engine->EraseAll(1), 2);
    ASSERT_EQ(engine->PatternTest(0), 2);
    EXPECT_EQ(mostShown, 1u);
    EXPECT_EQ(b.geo.BadBlockCount, 1u);
}

TEST(Progress, StepsAndEndsOfThePasses) {
    // 2 chips x 4096 blocks: the pattern test's share is 50, a step every 163 blocks.
    EngineBench b(SmallDrive(2, 4096, 1, 1));
    auto engine = b.Engine();
    std::uint32_t atFirstRead = 0, atFirstCheck = 0;
    b.drives.onSend = [&](const SentCommand& c) {
        if (c.cdb[0] == 0xF8 && atFirstRead == 0) atFirstRead = b.geo.Progress;
        if (b.geo.Status == 6 && atFirstCheck == 0) atFirstCheck = b.geo.Progress + 1000;
    };
    b.geo.Progress = 0;
    ASSERT_EQ(engine->EraseAll(1), 2);
    EXPECT_EQ(b.geo.Progress, 100u);
    b.geo.Progress = 0;
    ASSERT_EQ(engine->PatternTest(1), 2);
    EXPECT_EQ(atFirstRead, 50u);  // 8192 / 163 steps in the write phase
    EXPECT_EQ(b.geo.Progress, 200u);
    b.geo.Progress = 0;
    ASSERT_EQ(engine->CheckBlank(), 2);
    EXPECT_EQ(atFirstCheck, 1000u);
    EXPECT_EQ(b.geo.Progress, 44u);
    EXPECT_EQ(b.geo.ProgressBase, 44);

    // A share of 0 leaves Progress where it is and divides by nothing.
    b.geo.ProgressShare = 1;
    b.geo.Progress = 7;
    ASSERT_EQ(engine->PatternTest(1), 2);
    EXPECT_EQ(b.geo.Progress, 45u);
    EXPECT_EQ(b.geo.ProgressBase, 45);
}

TEST(Progress, EraseWithoutProgressLeavesTheSharedFieldsAlone) {
    EngineBench b(SmallDrive(1, 8));
    auto engine = b.Engine();
    b.geo.Progress = 3, b.geo.CurrentBlock = 99, b.geo.Status = 10;
    ASSERT_EQ(engine->EraseAll(0), 2);
    EXPECT_EQ(b.geo.Progress, 3u);
    EXPECT_EQ(b.geo.CurrentBlock, 99u);
    EXPECT_EQ(b.geo.ProgressBase, 0);
    EXPECT_EQ(b.geo.Status, 10);
    EXPECT_EQ(b.SentWith(0xF5).size(), 8u);
}

TEST(ErasePass, StatusEraseFailsOnAGrownBadBlock) {
    vdrive::DriveSetup setup = SmallDrive(1, 16);
    setup.plantings.grownBad = 1;
    EngineBench b(setup);
    b.options.TestLevel = 1;
    auto engine = b.Engine();
    EXPECT_EQ(engine->EraseAll(1), 11);
    EXPECT_EQ(b.geo.Status, 11);
    EXPECT_EQ(b.SentWith(0xF5).size(), 0u);
    EXPECT_EQ(b.SentWith(0xFE).back().cdb, Addressed(0xFE, OfKind(b, BlockKind::GrownBad)[0].block * 16, 1));
}

TEST(PatternTest, InvertedPhasesAtLevelTwo) {
    EngineBench b(Planted(1, 1));
    b.options.TestLevel = 2;
    auto engine = b.Engine();
    ASSERT_EQ(engine->EraseAll(1), 2);
    ASSERT_EQ(engine->PatternTest(1), 2);
    EXPECT_EQ(b.geo.PatternCode, 5u);
    // Two write phases: every block twice, plus the weak block's two mark pages.
    auto writes = b.SentWith(0xF6);
    EXPECT_EQ(writes.size(), 2u * 64 + 2);
    EXPECT_EQ(b.geo.BadBlockCount, 2u);
    EXPECT_EQ(engine->CheckBlank(), 2);

    // Pattern mode 3 skips the inverted phases.
    EngineBench files(SmallDrive(1, 4));
    files.options.TestLevel = 2;
    std::filesystem::create_directories(files.exeDir + "/Eval Pattern");
    std::ofstream(files.exeDir + "/Eval Pattern/a.bin") << std::string(8192, 'a');
    auto second = files.Engine();
    ASSERT_EQ(second->PatternTest(3), 2);
    EXPECT_EQ(files.SentWith(0xF6).size(), 4u);
}

}  // namespace
}  // namespace mendora::testing
