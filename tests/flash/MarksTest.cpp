#include <gtest/gtest.h>

#include "tests/flash/EngineTestKit.h"

namespace mendora::testing {
namespace {

// Programs one page with the four user spare bytes; the drive stores them as spare bytes
// 3 to 6, after the page number.
void Program(EngineBench& b, std::uint32_t page, Bytes user) {
    Bytes cdb = Addressed(0xF6, page, 1);
    cdb[1] = user[0], cdb[9] = user[1], cdb[10] = user[2], cdb[11] = user[3];
    cdb[8] = 1;
    Bytes data(512, 0x00);
    ASSERT_TRUE(Send(*b.drive, cdb, vdrive::Direction::Out, data).TransportOk());
}

std::size_t SpareReads(EngineBench& b) { return b.SentWith(0xF9).size(); }

TEST(Marks, SpareBytesDecideWhetherABlockIsBad) {
    // 128 pages of one sector: block 1 starts with page number 128 (80 00 00).
    EngineBench b(SmallDrive(1, 8, 128, 1));
    auto engine = b.Engine();
    std::uint32_t before = engine->BadCounter();

    Program(b, 128, {0xFF, 0xF0, 0xFF, 0xFF});  // 80 00 00 FF F0 FF: a zero nibble
    EXPECT_TRUE(engine->IsMarkedBad(1, true));
    EXPECT_EQ(engine->BadCounter(), before + 1);
    EXPECT_EQ(SpareReads(b), 1u);

    Program(b, 256, {0x12, 0xFF, 0xFF, 0xFF});  // 00 01 00 12 FF FF: no mark, last page not read
    EXPECT_FALSE(engine->IsMarkedBad(2, true));
    EXPECT_EQ(SpareReads(b), 2u);

    Program(b, 3 * 128 + 127, {0x33, 0xFF, 0xFF, 0xFF});  // blank first page; last page 33 FF FF
    EXPECT_FALSE(engine->IsMarkedBad(3, false));
    EXPECT_EQ(SpareReads(b), 4u);
    EXPECT_EQ(b.SentWith(0xF9).back().cdb, Addressed(0xF9, 3 * 128 + 127, 1));

    Program(b, 4 * 128 + 127, {0xFF, 0x0F, 0xFF, 0xFF});  // last page mark 0F FF: bad
    EXPECT_TRUE(engine->IsMarkedBad(4, false));

    // With the page-number check a written page must carry its own number.
    Program(b, 5 * 128 + 1, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_FALSE(engine->IsMarkedBad(5, false));
    EXPECT_TRUE(engine->IsMarkedBad(6, true));  // erased: FF FF FF is not 768
}

TEST(Marks, MarkBadWritesZerosWithAZeroMarkToTheFirstAndLastPage) {
    EngineBench b(SmallDrive(1, 8, 4, 4));
    auto engine = b.Engine();
    EXPECT_TRUE(engine->MarkBad(2));
    ASSERT_EQ(b.drives.sent.size(), 14u + 3);
    EXPECT_EQ(b.drives.sent[14].cdb, Addressed(0xF5, 32, 1));
    EXPECT_EQ(b.drives.sent[15].cdb, (Bytes{0xF6, 0, 0, 0, 0, 32, 0, 0, 4, 0, 0, 0, 1}));
    EXPECT_EQ(b.drives.sent[16].cdb, (Bytes{0xF6, 0, 0, 0, 0, 44, 0, 0, 4, 0, 0, 0, 1}));
    EXPECT_EQ(b.drives.sent[16].dataOut, Bytes(2048, 0));
    EXPECT_TRUE(engine->IsMarkedBad(2, false));

    b.options.PairedPageMode = 1;  // the second-last page, and page 1 is read back
    engine->MarkBad(3);
    EXPECT_EQ(b.drives.sent.back().cdb[5], 48 + 8);
}

TEST(Marks, BadBlockTableListsTheMappedBlocksOfEachRange) {
    // 2048 blocks of 4 pages of one sector: two table pages per chip.
    EngineBench b(SmallDrive(2, 2048, 4, 1));
    b.options.RecordBadBlockTable = 1;
    auto engine = b.Engine();
    auto& map = engine->BadBlockMap();
    map[0] = 1;            // chip 0: the table goes to block 1
    map[1030] = 1;
    map[2000] = 2;
    map[2048 + 5] = 1;     // chip 1: block 0 holds it
    const std::uint32_t before = engine->BadCounter();
    engine->WriteBadBlockTable();
    EXPECT_EQ(engine->BadCounter(), before + 1);  // the entry 2
    auto pages = b.SentWith(0xF6);
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(pages[0].cdb, (Bytes{0xF6, 0x00, 0, 0, 0, 4, 0, 0, 1, 0x00, 0x02, 0x00, 1}));
    Bytes first(512, 0xFF);
    std::copy_n("bad_", 4, first.begin());
    first[4] = 0x00, first[5] = 0x00;
    EXPECT_EQ(pages[0].dataOut, first);
    Bytes second(512, 0xFF);
    const Bytes head = {'b', 'a', 'd', '_', 0x04, 0x06, 0x07, 0xD0};
    std::copy(head.begin(), head.end(), second.begin());
    EXPECT_EQ(pages[1].cdb[5], 5);
    EXPECT_EQ(pages[1].dataOut, second);
    EXPECT_EQ(pages[2].cdb[5], 7);  // the signature on the last page
    EXPECT_EQ(Bytes(pages[2].dataOut.begin(), pages[2].dataOut.begin() + 5), (Bytes{'b', 'a', 'd', '_', 0xFF}));
    EXPECT_EQ(pages[3].cdb[12], 4);
    EXPECT_EQ(pages[3].cdb[5], 0);
    EXPECT_EQ(Bytes(pages[3].dataOut.begin(), pages[3].dataOut.begin() + 7), (Bytes{'b', 'a', 'd', '_', 0, 5, 0xFF}));
}

}  // namespace
}  // namespace mendora::testing
