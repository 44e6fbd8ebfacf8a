#include <gtest/gtest.h>

#include "tests/flash/EngineTestKit.h"

namespace mendora::testing {
namespace {

Bytes Cdb(const SentCommand& c) { return c.cdb; }

// The start of every engine for the console's records on a QF90 drive.
const std::vector<Bytes> kStartOfQf90 = {
    {0xFD, 0x13, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xF0, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xF2, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xF4, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xF6, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xF8, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xFA, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xFC, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xFD, 0x00, 0x01, 0xFE, 0x00, 0x00, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00},
    {0xF1, 0x10, 0x01, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xF1, 0x10, 0x04, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xF1, 0x10, 0x10, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xFC, 0x00, 0x88, 0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
};

Bytes Sector(std::uint8_t op, std::uint32_t sector, std::uint8_t mask) { return Addressed(op, sector, mask); }

Bytes Write(std::uint32_t sector, std::uint8_t count, std::uint8_t mask) {
    return {0xF6, 0xFF, static_cast<std::uint8_t>(sector >> 24), static_cast<std::uint8_t>(sector >> 16),
            static_cast<std::uint8_t>(sector >> 8), static_cast<std::uint8_t>(sector), 0x00, 0x00, count, 0xFF, 0xFF,
            0xFF, mask};
}

Bytes StatusRead(std::uint32_t sector, std::uint8_t mask) {
    Bytes cdb = Addressed(0xF8, sector, mask);
    cdb[7] = 0x01, cdb[8] = 0x01;
    return cdb;
}

TEST(CompleteRevert, ConsoleValuesSendTheWholeStreamInOrder) {
    // 2 chips of 3 blocks, 8 pages of 32 sectors: 256 sectors a block, two writes each.
    EngineBench b(SmallDrive(2, 3, 8, 32));
    ASSERT_EQ(b.RunComplete(), 2);

    std::vector<Bytes> want = kStartOfQf90;
    const Bytes presence = {0xF1, 0x10, 0x01, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    for (std::uint8_t mask : {1, 4})
        for (std::uint32_t block = 0; block < 3; ++block) want.push_back(Sector(0xF5, block * 256, mask));
    want.push_back(presence);
    for (std::uint8_t mask : {1, 4}) {
        for (std::uint32_t block = 0; block < 3; ++block) {
            want.push_back(Write(block * 256, 0x80, mask));
            want.push_back(Write(block * 256 + 128, 0x80, mask));
        }
    }
    for (std::uint8_t mask : {1, 4}) {
        for (std::uint32_t block = 0; block < 3; ++block) {
            want.push_back(Sector(0xF9, block * 256, mask));
            want.push_back(Sector(0xF9, block * 256 + 224, mask));  // first page blank: the last decides
            want.push_back(StatusRead(block * 256, mask));
            want.push_back(Sector(0xF5, block * 256, mask));
        }
    }
    for (std::uint8_t mask : {1, 4}) {
        for (std::uint32_t block = 0; block < 3; ++block) {
            want.push_back(Sector(0xF9, block * 256, mask));
            want.push_back(Sector(0xF9, block * 256 + 224, mask));
        }
    }
    std::vector<Bytes> got;
    for (const auto& c : b.drives.sent) got.push_back(Cdb(c));
    EXPECT_EQ(got, want);
    EXPECT_EQ(b.geo.Status, 2);
    EXPECT_EQ(b.geo.Progress, 44u);
    EXPECT_EQ(b.geo.ProgressBase, 44);
    EXPECT_TRUE(b.fakes.messages.shown.empty());
    // Each write carries 64 KiB of the pattern buffer.
    EXPECT_EQ(b.SentWith(0xF6).front().dataOut.size(), 65536u);
}

TEST(EngineStart, ParameterBlockBytes) {
    EngineBench b(SmallDrive(2, 8));
    auto engine = b.Engine();
    // The block that went out at start for this drive.
    const Bytes sent = b.SentWith(0xF0).at(0).dataOut;
    ASSERT_EQ(sent.size(), 512u);
    const Bytes head = {0x00, 0x08, 0x00, 0x04, 0x00, 0x04, 0x80, 0x02, 0x01, 0x02, 0x00, 0x00, 0x00,
                        0x88, 0x55, 0x80, 0x2C, 0xD7, 0x94, 0x3E, 0x84, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 26), head);
    EXPECT_TRUE(std::all_of(sent.begin() + 26, sent.end(), [](std::uint8_t x) { return x == 0; }));
    EXPECT_EQ(b.geo.PagesPerBlock, 4u);

    b.geo.SectorsPerPage = 8, b.geo.SectorsPerBlocks = 1024, b.geo.BlocksPerChip = 4096;
    b.geo.zbank = 2, b.geo.chipcnt = 4, b.geo.DualMode = 1, b.geo.ParameterByte = 0x5A;
    b.geo.ParameterWordA = 0x1234, b.geo.ParameterWordB = 0xBEEF;
    b.options.TwoPlane = 1, b.options.PairedPageMode = 1;
    auto p = engine->ParameterBlock();
    const Bytes full = {0x10, 0x00, 0x00, 0x08, 0x00, 0x80, 0x80, 0x02, 0x01, 0x04, 0x01, 0x01, 0x5A,
                        0x88, 0x55, 0x80, 0x2C, 0xD7, 0x94, 0x3E, 0x84, 0x12, 0x34, 0xBE, 0xEF, 0x02};
    EXPECT_EQ(Bytes(p.begin(), p.begin() + 26), full);

    b.geo.TwoPlaneInhibit = 1;
    b.geo.ReduantSymbol = 14;
    b.geo.chipid[0] = 0x45;
    b.options.SettingIndexA = 7;  // beyond the table: 0, not a stray byte
    p = engine->ParameterBlock();
    EXPECT_EQ(p[6], 0xDA);
    EXPECT_EQ(p[10], 0x00);
    EXPECT_EQ(p[14], 0x00);
    EXPECT_EQ(p[15], 0x81);
    b.geo.ReduantSymbol = 9;
    EXPECT_EQ(engine->ParameterBlock()[6], 0x00);
}

TEST(EngineStart, RedundantSizeComesFromTheFirstMatchingSection) {
    EngineBench b(SmallDrive(1, 8));
    auto engine = b.Engine();
    std::ofstream(b.exeDir + "/flash8k.ini") << "[other]\nFID=0x2c,0xd7,0x94,0x3e,0x85\nRedudantSize=11\n"
                                             << "[mine]\nFID=0X2C,0XD7,0X94,0X3E,0X84\nRedudantSize=300\n"
                                             << "[again]\nFID=0x2c,0xd7,0x94,0x3e,0x84\nRedudantSize=22\n"
                                             << "[padded]\nFID=0x45,0x05,0x95,0xa5,0xea\nRedudantSize=44\n"
                                             << "[small]\nFID=0x45,0x 5,0x95,0xa5,0xea\nRedudantSize=33\n";
    EXPECT_EQ(engine->LookupRedundantSize(), 300 & 0xFF);
    EXPECT_EQ(engine->ParameterBlock()[6], 300 & 0xFF);
    const std::uint8_t small[5] = {0x45, 0x05, 0x95, 0xA5, 0xEA};
    std::copy_n(small, 5, b.geo.chipid);
    EXPECT_EQ(engine->LookupRedundantSize(), 33);  // 0x05 is not how a byte below 10h is written
    b.geo.chipid[1] = 0x06;
    EXPECT_EQ(engine->LookupRedundantSize(), 0);
}

TEST(EngineStart, ImageChoiceFollowsModelAndA1Version) {
    {
        EngineBench b(SmallDrive(1, 8));
        b.options.PairedPageMode = 1;
        auto engine = b.Engine();
        EXPECT_EQ(engine->RevertImagePath(), b.exeDir + "/RevertBoot/90/q90s.bin");
        EXPECT_EQ(b.options.PairedPageMode, 0u);
        EXPECT_EQ(b.geo.NeedsParameterBlock, 1u);
        EXPECT_EQ(b.drives.opened, std::vector<std::string>{"\\\\.\\D:"});
    }
    {
        EngineBench b(SmallDrive(1, 8));
        b.geo.A1Version = 1;
        b.options.PairedPageMode = 1;
        auto engine = b.Engine();
        EXPECT_EQ(engine->RevertImagePath(), b.exeDir + "/RevertBoot/90/q90sa1.bin");
        EXPECT_EQ(b.options.PairedPageMode, 1u);
    }
    {
        auto setup = SmallDrive(1, 8);
        setup.identity.chipId = 0x0070;
        EngineBench b(setup);
        b.geo.model = 0x0070;
        auto engine = b.Engine();
        EXPECT_TRUE(engine->IsReady());
        EXPECT_EQ(engine->RevertImagePath(), b.exeDir + "/RevertBoot/70/q70s.bin");
        EXPECT_EQ(b.geo.NeedsParameterBlock, 0u);
        EXPECT_TRUE(b.SentWith(0xF0).empty());
        EXPECT_TRUE(b.SentWith(0xFC).empty());
        EXPECT_EQ(b.drives.sent.size(), 12u);  // RAM load and the three resets only
    }
}

struct FailureCase {
    const char* what;
    std::function<void(EngineBench&)> arrange;
    std::vector<std::string> messages;
};

TEST(EngineStart, EveryFailureShowsItsMessageAndLeavesTheEngineNotReady) {
    const std::string image90 = "/RevertBoot/90/q90s.bin";
    std::vector<FailureCase> cases = {
        {"no such drive", [](EngineBench& b) { b.geo.DriveName[0] = 'Q'; }, {"Can not open the handle."}},
        {"image missing", [&](EngineBench& b) { std::filesystem::remove(b.exeDir + image90); },
         {"", "Can not load firmware (rv)"}},
        {"image short", [&](EngineBench& b) { WriteRevertImage(b.exeDir + image90, 0x0090, 24575); },
         {"Can not load firmware (rv)"}},
        {"unknown model", [](EngineBench& b) { b.geo.model = 0x0050; }, {"", "Can not load firmware (rv)"}},
        {"zero page size", [](EngineBench& b) { b.geo.SectorsPerPage = 0; }, {"Bad parameter!"}},
        {"zero blocks", [](EngineBench& b) { b.geo.BlocksPerChip = 0; }, {"Bad parameter!"}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        EngineBench b(SmallDrive(1, 8));
        c.arrange(b);
        auto engine = b.Engine(0, "rv");
        EXPECT_FALSE(engine->IsReady());
        ASSERT_EQ(b.fakes.messages.shown.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(b.fakes.messages.shown[i].caption, "Error");
            if (!c.messages[i].empty()) {
                EXPECT_EQ(b.fakes.messages.shown[i].text, c.messages[i]);
            }
        }
        // The file-error message names the file.
        if (std::string(c.what) == "image missing") {
            EXPECT_NE(b.fakes.messages.shown[0].text.find(image90), std::string::npos);
        }

        // A not-ready engine sends nothing more: 9 from every pass, the pattern test leaves Status.
        const std::size_t sentAtStart = b.drives.sent.size();
        b.geo.Status = 5;
        EXPECT_EQ(engine->PatternTest(1), 9);
        EXPECT_EQ(b.geo.Status, 5);
        EXPECT_EQ(engine->EraseAll(1), 9);
        EXPECT_EQ(b.geo.Status, 9);
        b.geo.Status = 5;
        EXPECT_EQ(engine->CheckBlank(), 9);
        EXPECT_EQ(b.geo.Status, 9);
        EXPECT_EQ(b.drives.sent.size(), sentAtStart);
        EXPECT_EQ(b.geo.ProgressBase, 0);
    }
}

TEST(EngineStart, BlockOperationsWithoutADriveDoNothing) {
    EngineBench b(SmallDrive(1, 8));
    b.geo.DriveName[0] = 'Q';
    auto engine = b.Engine();
    EXPECT_FALSE(engine->FlashPresent());
    EXPECT_FALSE(engine->WriteBlock(0, 1));
    EXPECT_FALSE(engine->VerifyBlock(0));
    EXPECT_FALSE(engine->IsMarkedBad(0, true));
    EXPECT_TRUE(engine->MarkBad(0));
    engine->EraseOneBlock(0);
    engine->WriteBadBlockTable();
    EXPECT_TRUE(b.drives.sent.empty());
}

TEST(EngineStart, PortNamesTheLogFileAndTheLinesGoIntoIt) {
    EngineBench b(SmallDrive(1, 4));
    auto was = std::filesystem::current_path();
    std::filesystem::current_path(b.dir.Path());
    {
        b.Engine(1);
        b.geo.Port = 9;
        auto engine = b.Engine(1);
        engine->EraseAll(1);
        engine->PatternTest(1);
    }
    std::filesystem::current_path(was);
    std::ifstream first(b.dir / "RevertLog01.txt");
    std::string text((std::istreambuf_iterator<char>(first)), {});
    EXPECT_EQ(text, "BlocksPerChip = 4 Page Size=2048 Bytes\nBlock Size = 4 Pages  MLC=1 Dual Mode=0\n");
    std::ifstream tenth(b.dir / "RevertLog10.txt");
    std::string log((std::istreambuf_iterator<char>(tenth)), {});
    EXPECT_NE(log.find("Begin erase block\n"), std::string::npos);
    EXPECT_NE(log.find("Port:9 Start Write Time:(Hour=>"), std::string::npos);
    EXPECT_NE(log.find("<Erase> and <Write> result: Bad block count = 0\n"), std::string::npos);
    EXPECT_NE(log.find("<Read> and <Verify> result: Bad block count = 0\n"), std::string::npos);
    EXPECT_EQ(b.fakes.messages.shown.size(), 0u);
}

TEST(EngineStart, RegistryTuningSetsTheBlocksOfEveryPass) {
    struct Row {
        std::optional<std::uint32_t> start, count;
        std::uint32_t first, end;
    };
    for (Row row : {Row{3, 2, 3, 5}, Row{3, 5000, 3, 8}, Row{{}, {}, 0, 8}, Row{{}, 2, 0, 2}, Row{8, {}, 8, 8},
                    Row{0xFFFFFFF0u, 0x20, 0xFFFFFFF0u, 8}}) {
        EngineBench b(SmallDrive(1, 8));
        if (row.start) b.fakes.registry.Set("Software\\KZRevert", "TestStartBlock", *row.start);
        if (row.count) b.fakes.registry.Set("software\\kzrevert", "TestBlockCount", *row.count);
        auto engine = b.Engine();
        EXPECT_EQ(engine->StartBlock(), row.first);
        EXPECT_EQ(engine->EndBlock(), row.end);
        EXPECT_EQ(engine->EraseAll(1), 2);
        auto erased = b.SentWith(0xF5);
        ASSERT_EQ(erased.size(), row.end > row.first ? row.end - row.first : 0);
        if (!erased.empty()) {
            EXPECT_EQ(erased.front().cdb, Addressed(0xF5, row.first * 16, 1));
        }
    }
}

}  // namespace
}  // namespace mendora::testing
