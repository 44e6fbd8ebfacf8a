#include <gtest/gtest.h>

#include "tests/flash/EngineTestKit.h"

namespace mendora::testing {
namespace {

Bytes Head(const std::vector<std::uint8_t>& buffer, std::size_t n) { return Bytes(buffer.begin(), buffer.begin() + n); }

TEST(Patterns, GeneratorsAndFixedPatternsStartWithTheirKnownBytes) {
    // 8 pages of 32 sectors: a 128 KiB pattern buffer.
    EngineBench b(SmallDrive(1, 4, 8, 32));
    auto engine = b.Engine();
    auto& buffer = engine->PatternBuffer();
    ASSERT_EQ(buffer.size(), 131072u);

    engine->SetPatternMode(1);
    engine->FillPattern(0);
    EXPECT_EQ(Head(buffer, 12), (Bytes{0x00, 0x38, 0x13, 0x50, 0x3A, 0x2F, 0x23, 0x59, 0x52, 0x4A, 0x11, 0x55}));
    EXPECT_EQ(b.geo.PatternCode, 1u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t x) { return x < 100; }));

    engine->SeedPatternGenerator(1);
    Bytes ring;
    for (int i = 0; i < 8; ++i) ring.push_back(engine->NextPatternByte());
    EXPECT_EQ(ring, (Bytes{0xF4, 0x5F, 0x06, 0x24, 0x28, 0x13, 0x36, 0x8C}));
    engine->SeedPatternGenerator(1);
    engine->SetPatternMode(2);
    engine->FillPattern(0);
    EXPECT_EQ(Head(buffer, 8), ring);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 0);

    b.options.PatternWord = 0x1234;
    engine->SetPatternMode(4);
    engine->FillPattern(0);
    EXPECT_EQ(Head(buffer, 8), (Bytes{0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12}));

    engine->SetPatternMode(0);
    engine->FillPattern(0);
    EXPECT_EQ(Head(buffer, 8), (Bytes{0, 0, 0, 0, 1, 0, 0, 0}));
    // Inverting touches the first 64 KiB only.
    engine->FillPattern(1);
    EXPECT_EQ(b.geo.PatternCode, 5u);
    EXPECT_EQ(Bytes(buffer.begin() + 4, buffer.begin() + 8), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(buffer.begin() + 65532, buffer.begin() + 65540), (Bytes{0x00, 0xC0, 0xFF, 0xFF, 0x00, 0x40, 0, 0}));

    engine->SetPatternMode(7);
    engine->FillPattern(0);
    EXPECT_EQ(Bytes(buffer.begin() + 4, buffer.begin() + 8), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(b.geo.PatternCode, 7u);
}

TEST(Patterns, WithoutRingTablesModeTwoDoesNotRun) {
    EngineBench b(SmallDrive(1, 4));
    auto engine = b.Engine();
    std::vector<std::size_t> asked;
    engine->SetAllocationCheck([&](std::size_t bytes) {
        asked.push_back(bytes);
        return false;
    });
    engine->SeedPatternGenerator(1);
    EXPECT_EQ(asked, std::vector<std::size_t>{9689 * 4});
    ASSERT_TRUE(engine->IsReady());
    const std::size_t sent = b.drives.sent.size();
    b.geo.Status = 10;
    EXPECT_EQ(engine->PatternTest(2), 9);
    EXPECT_EQ(b.geo.Status, 10);
    EXPECT_EQ(b.geo.ProgressBase, 0);
    EXPECT_EQ(b.drives.sent.size(), sent);
    EXPECT_EQ(engine->NextPatternByte(), 0);  // still none: the check is asked again
    EXPECT_EQ(asked.size(), 2u);
    // The other modes do not need the tables.
    EXPECT_EQ(engine->PatternTest(1), 2);

    // Once the tables can be had, seeding brings mode 2 back.
    engine->SetAllocationCheck(nullptr);
    engine->SeedPatternGenerator(1);
    EXPECT_EQ(engine->NextPatternByte(), 0xF4);
    EXPECT_EQ(engine->PatternTest(2), 2);
}

TEST(Patterns, EveryBlockReceivesTheSameBytesFromAFreshGeneratorInEachEngine) {
    for (int run = 0; run < 2; ++run) {
        EngineBench b(SmallDrive(1, 3));
        auto engine = b.Engine();
        ASSERT_EQ(engine->PatternTest(1), 2);
        auto writes = b.SentWith(0xF6);
        ASSERT_EQ(writes.size(), 3u);
        EXPECT_EQ(Head(writes[0].dataOut, 4), (Bytes{0x00, 0x38, 0x13, 0x50}));
        EXPECT_EQ(writes[1].dataOut, writes[0].dataOut);
        EXPECT_EQ(writes[2].dataOut, writes[0].dataOut);
    }
}

TEST(BlockTransfer, TolerantCompareCountsBitsPerSector) {
    EngineBench b(SmallDrive(1, 4, 8, 32));
    auto engine = b.Engine();
    engine->SetEccLimit(2);
    auto& read = engine->TransferBuffer();
    auto& expected = engine->PatternBuffer();
    std::fill_n(expected.begin(), 3 * 512, 0x5A);
    std::fill_n(read.begin(), 3 * 512, 0x5A);
    read[0] ^= 0x03;             // two bits in sector 0
    read[512 + 100] ^= 0x80;     // two bits in sector 1, in different bytes
    read[512 + 511] ^= 0x01;
    read[1024] ^= 0x11;          // two bits in sector 2
    EXPECT_TRUE(engine->TolerantCompare(3, 0, 0));
    read[1024 + 7] ^= 0x04;      // a third one
    EXPECT_FALSE(engine->TolerantCompare(3, 0, 0));
    EXPECT_TRUE(engine->TolerantCompare(2, 0, 0));
    engine->SetEccLimit(3);
    EXPECT_TRUE(engine->TolerantCompare(3, 0, 0));
}

TEST(BlockTransfer, ControllerVerifyToleratesTheLimit) {
    vdrive::DriveSetup setup = SmallDrive(1, 8);
    setup.plantings.weak = 1;
    setup.plantings.weakBits = 3;
    EngineBench b(setup);
    std::string error;
    std::uint32_t weak = 0;
    auto blocks = b.drive->Blocks(&error);
    for (const auto& s : *blocks) {
        if (s.kind == vdrive::format::BlockKind::Weak) weak = s.block;
    }
    auto engine = b.Engine();
    engine->SetPatternMode(0);
    engine->FillPattern(0);
    ASSERT_TRUE(engine->WriteBlock(weak, 1));
    engine->SetEccLimit(2);
    EXPECT_FALSE(engine->VerifyBlock(weak));
    engine->SetEccLimit(3);
    EXPECT_TRUE(engine->VerifyBlock(weak));
    Bytes status = b.drives.sent.back().cdb;
    EXPECT_EQ(status, (Bytes{0xF8, 0, 0, 0, 0, static_cast<std::uint8_t>(weak * 16), 0, 1, 1, 0, 0, 0, 1}));
}

TEST(BlockTransfer, WritesGoOutIn128SectorPiecesAndPairedPagesHalveTheCount) {
    // 32 pages of 32 sectors: 1024 sectors a block.
    EngineBench b(SmallDrive(1, 2, 32, 32));
    auto engine = b.Engine();
    ASSERT_TRUE(engine->WriteBlock(1, 1));
    auto writes = b.SentWith(0xF6);
    ASSERT_EQ(writes.size(), 8u);
    for (std::uint32_t k = 0; k < 8; ++k) {
        std::uint32_t sector = 1024 + 128 * k;
        EXPECT_EQ(writes[k].cdb, (Bytes{0xF6, 0xFF, 0, 0, static_cast<std::uint8_t>(sector >> 8),
                                        static_cast<std::uint8_t>(sector), 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 1}));
        EXPECT_EQ(writes[k].dataOut, Bytes(engine->PatternBuffer().begin() + k * 65536,
                                           engine->PatternBuffer().begin() + (k + 1) * 65536));
    }
    b.drives.sent.clear();
    b.options.PairedPageMode = 1;
    engine->WriteBlock(0, 1);
    writes = b.SentWith(0xF6);
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[1].cdb[5], 128);
    EXPECT_EQ(writes[1].cdb[8], 64);
    EXPECT_EQ(writes[1].dataOut.size(), 64u * 512);
}

TEST(BlockTransfer, PageListModeWritesAndComparesOnlyTheListedPages) {
    EngineBench b(SmallDrive(1, 4, 8, 4));
    b.options.PageListMode = 1;
    b.options.PageListCount = 3;
    b.options.PageListFirst = 2;
    auto engine = b.Engine();
    engine->SetPatternMode(0);
    engine->FillPattern(0);
    ASSERT_TRUE(engine->WriteBlock(1, 1));
    auto writes = b.SentWith(0xF6);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].cdb, (Bytes{0xF6, 0xFF, 0, 0, 0, 32 + 8, 0, 0, 12, 0xFF, 0xFF, 0xFF, 1}));
    EXPECT_TRUE(engine->VerifyBlock(1));
    auto reads = b.SentWith(0xF8);
    EXPECT_EQ(reads.back().cdb, (Bytes{0xF8, 0, 0, 0, 0, 40, 0, 0, 12, 0, 0, 0, 1}));
    EXPECT_FALSE(engine->VerifyBlock(2));  // erased: FFh everywhere

    // A page list of no pages is a whole-block test.
    b.options.PageListCount = 0;
    b.drives.sent.clear();
    engine->WriteBlock(3, 1);
    EXPECT_EQ(b.SentWith(0xF6).at(0).cdb[8], 32);
}

TEST(PatternFiles, FilesAreOneStreamInListOrderAndAnEmptyListEndsThePass) {
    EngineBench b(SmallDrive(1, 3));
    const std::string dir = b.exeDir + "/Eval Pattern";
    std::filesystem::create_directories(dir + "/sub");
    std::ofstream(dir + "/sub/one.bin") << std::string(5000, '1');
    auto engine = b.Engine();
    ASSERT_EQ(engine->PatternFiles(), std::vector<std::string>{dir + "/sub/one.bin"});
    ASSERT_EQ(engine->PatternTest(3), 2);
    auto writes = b.SentWith(0xF6);
    ASSERT_EQ(writes.size(), 3u);
    // The 8 KiB blocks take 5000 bytes of the file and start it again.
    EXPECT_EQ(writes[0].dataOut, Bytes(8192, '1'));
    EXPECT_EQ(b.geo.PatternCode, 3u);

    EngineBench empty(SmallDrive(1, 3));
    auto none = empty.Engine();
    EXPECT_TRUE(none->PatternFiles().empty());
    EXPECT_EQ(none->PatternTest(3), 9);
    EXPECT_EQ(empty.geo.Status, 9);
    EXPECT_EQ(empty.SentWith(0xF6).size(), 1u);
}

}  // namespace
}  // namespace mendora::testing
