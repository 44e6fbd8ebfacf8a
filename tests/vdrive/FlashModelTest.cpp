#include <gtest/gtest.h>

#include <chrono>

#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/IdentifyReply.h"

namespace mendora::vdrive {
namespace {

using testing::Addressed;
using testing::Send;
using testing::SendNone;

std::vector<std::uint8_t> WriteCdb(std::uint32_t sector, std::uint8_t count, std::uint8_t mask,
                                   std::array<std::uint8_t, 4> spare) {
    auto cdb = Addressed(0xF6, sector, mask);
    cdb[1] = spare[0], cdb[8] = count, cdb[9] = spare[1], cdb[10] = spare[2], cdb[11] = spare[3];
    return cdb;
}

std::vector<std::uint8_t> Spare(VirtualDrive& d, std::uint32_t sector, std::uint8_t mask = 1) {
    std::vector<std::uint8_t> s(16);
    Send(d, Addressed(0xF9, sector, mask), Direction::In, s);
    return s;
}

struct Fixture : ::testing::Test {
    void SetUp() override { Make(testing::SmallSetup()); }
    void Make(DriveSetup setup) {
        std::string error;
        drive = VirtualDrive::Create(dir / ("d" + std::to_string(++made) + ".img"), setup, &error);
        ASSERT_TRUE(drive) << error;
    }
    testing::TempDir dir;
    std::unique_ptr<VirtualDrive> drive;
    int made = 0;
};

using VirtualController = Fixture;

TEST_F(VirtualController, FlashCommandsWaitForAValidRevertImageOfItsModel) {
    std::vector<std::uint8_t> reply(8, 0xEE);
    Reply r = Send(*drive, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply);
    EXPECT_TRUE(r.TransportOk());
    EXPECT_EQ(r.status, kStatusCheckCondition);
    EXPECT_EQ(r.moved, 0u);
    EXPECT_EQ(reply[0], 0xEE);
    std::vector<std::uint8_t> sense(18);
    Send(*drive, {0x03, 0, 0, 0, 18, 0}, Direction::In, sense);
    EXPECT_EQ(sense[2], 0x05);
    EXPECT_EQ(sense[12], 0x20);

    // WriteRam before BeginRamLoad, then a QF70 image into a QF90, then a good one.
    std::vector<std::uint8_t> chunk(512);
    EXPECT_EQ(Send(*drive, {0xFD, 0, 1, 0xF0, 0, 0, 3, 2, 0, 0, 0, 0}, Direction::Out, chunk).status, 2);
    testing::StartRevertImage(*drive, 0x0070);
    EXPECT_EQ(Send(*drive, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply).status, 2);
    testing::StartRevertImage(*drive, 0x0090);
    r = Send(*drive, {0xF1, 0x10, 5, 0xFF, 1, 0, 0, 0, 0, 0}, Direction::In, reply);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.moved, 8u);
    EXPECT_EQ(reply[1], 0x03);  // both chips answered
    Send(*drive, {0xF1, 0x10, 16, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply);
    EXPECT_EQ(reply[1], 0);     // no third chip

    std::vector<std::uint8_t> inquiry(36), id(64);
    Send(*drive, {0x12, 0, 0, 0, 36, 0}, Direction::In, inquiry);
    EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 16), "QUORVANE");
    Send(*drive, std::vector<std::uint8_t>(kIdentifyCdb.begin(), kIdentifyCdb.end()), Direction::In, id);
    auto answer = DecodeIdentify(id);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->identity.chipId, 0x0090);
    EXPECT_EQ(answer->geometry.pagesPerBlock, 4u);
}

// Whether a drive runs its RAM after a revert image download: probed with a flash reset.
bool RunsRevertImage(VirtualDrive& d, const std::vector<std::uint8_t>& ram) {
    SendNone(d, {0xFD, 0x13, 0x01, 0, 0, 0, 0, 0, 0, 0});
    for (int k = 0; k < 8; ++k) {
        std::vector<std::uint8_t> chunk(ram.begin() + k * 512, ram.begin() + (k + 1) * 512);
        std::uint8_t hi = static_cast<std::uint8_t>(0xF0 + 2 * k);
        Send(d, {0xFD, 0x00, 0x01, hi, 0x00, 0x00, 0x03, 0x02, 0x00, 0, 0, 0}, Direction::Out, chunk);
    }
    std::vector<std::uint8_t> reply(8);
    return Send(d, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply).status == 0;
}

TEST_F(VirtualController, Qf90ImageRunsOnBothControllersQf70ImageOnQf70Only) {
    DriveSetup qf70 = testing::SmallSetup();
    qf70.identity.chipId = 0x0070;
    Make(qf70);
    EXPECT_TRUE(RunsRevertImage(*drive, testing::RamImage(0x0090)));
    EXPECT_TRUE(RunsRevertImage(*drive, testing::RamImage(0x0070)));

    auto damaged = testing::RamImage(0x0090);
    damaged[2000] ^= 0x40;
    EXPECT_FALSE(RunsRevertImage(*drive, damaged));
    auto foreign = testing::RamImage(0x0090);
    revert::SealRamImage(foreign.data(), 0x0040, 1, 0xF010);
    EXPECT_FALSE(RunsRevertImage(*drive, foreign));

    Make(testing::SmallSetup());  // QF90
    EXPECT_TRUE(RunsRevertImage(*drive, testing::RamImage(0x0090)));
    EXPECT_FALSE(RunsRevertImage(*drive, testing::RamImage(0x0070)));

    DriveSetup other = testing::SmallSetup();
    other.identity.chipId = 0x0080;
    Make(other);
    EXPECT_FALSE(RunsRevertImage(*drive, testing::RamImage(0x0090)));
}

TEST_F(VirtualController, SpareBytesCarryPageNumberUserBytesAndMarks) {
    testing::StartRevertImage(*drive, 0x0090);
    EXPECT_EQ(Spare(*drive, 8), std::vector<std::uint8_t>(16, 0xFF));  // erased
    std::vector<std::uint8_t> data(4 * 512, 0xA5);
    ASSERT_TRUE(Send(*drive, WriteCdb(8, 4, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, data).TransportOk());
    auto s = Spare(*drive, 10);  // block 1, page 1: page number 5
    EXPECT_EQ(std::vector<std::uint8_t>(s.begin(), s.begin() + 8),
              (std::vector<std::uint8_t>{5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Marking: erase, then zero pages with spare 00 00 00 00 on first and last page.
    std::vector<std::uint8_t> zero(1024, 0), reply(16);
    Send(*drive, Addressed(0xF5, 8, 1), Direction::In, reply);
    Send(*drive, WriteCdb(8, 2, 1, {0, 0, 0, 0}), Direction::Out, zero);
    s = Spare(*drive, 8);
    EXPECT_EQ(std::vector<std::uint8_t>(s.begin(), s.begin() + 7), (std::vector<std::uint8_t>{4, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(drive->Info(nullptr)->marked.size(), 1u);
    // Data reads back; programming twice only clears bits.
    std::vector<std::uint8_t> back(1024), ones(1024, 0x0F), first(1024, 0xA5);
    Send(*drive, WriteCdb(16, 2, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, first);
    Send(*drive, WriteCdb(16, 2, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, ones);
    auto read = Addressed(0xF8, 16, 1);
    read[8] = 2;
    EXPECT_EQ(Send(*drive, read, Direction::In, back).moved, 1024u);
    EXPECT_EQ(back[0], 0x05);
    EXPECT_EQ(back[1023], 0x05);
}

TEST_F(VirtualController, PlantedBlocksFailAsFlashDoes) {
    DriveSetup setup = testing::SmallSetup();
    setup.geometry.chipEnables = 1;
    setup.plantings = Plantings{1, 1, 1, 3, 7};
    Make(setup);
    testing::StartRevertImage(*drive, 0x0090);
    auto blocks = *drive->Blocks(nullptr);
    std::uint32_t factory = 0, grown = 0, weak = 0;
    for (const auto& b : blocks) {
        if (b.kind == format::BlockKind::FactoryBad) factory = b.block;
        if (b.kind == format::BlockKind::GrownBad) grown = b.block;
        if (b.kind == format::BlockKind::Weak) weak = b.block;
    }
    std::vector<std::uint8_t> reply(16), status(1), data(8 * 512, 0x00), two(2);
    // Factory-bad: erasing keeps the mark, writing fails at the transport.
    EXPECT_TRUE(Send(*drive, Addressed(0xFE, factory * 8, 1), Direction::In, status).TransportOk());
    EXPECT_EQ(Spare(*drive, factory * 8)[4], 0x00);
    EXPECT_EQ(Send(*drive, WriteCdb(factory * 8, 8, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, data).error,
              TransportError::Failed);
    // Grown-bad: the erase fails.
    EXPECT_EQ(Send(*drive, Addressed(0xFE, grown * 8, 1), Direction::In, status).error, TransportError::Failed);
    // Weak: reads back with flipped bits, and the status read counts them.
    Send(*drive, WriteCdb(weak * 8, 8, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, data);
    auto statusRead = Addressed(0xF8, weak * 8, 1);
    statusRead[7] = 1, statusRead[8] = 1;
    Send(*drive, statusRead, Direction::In, two);
    EXPECT_EQ(two[0], 3);
    std::vector<std::uint8_t> back(512);
    auto read = Addressed(0xF8, weak * 8, 1);
    read[8] = 1;
    Send(*drive, read, Direction::In, back);
    int flipped = 0;
    for (auto b : back) flipped += __builtin_popcount(b);
    EXPECT_EQ(flipped, 3);
    std::uint32_t good = (weak + 1) % 16 == factory || (weak + 1) % 16 == grown ? (weak + 2) % 16 : (weak + 1) % 16;
    statusRead = Addressed(0xF8, good * 8, 1);
    statusRead[7] = 1, statusRead[8] = 1;
    Send(*drive, statusRead, Direction::In, two);
    EXPECT_EQ(two[0], 0);
    // A mark that does not stick.
    ASSERT_TRUE(drive->SetBlockFlags(0, good, format::kMarkSlips, nullptr));
    Send(*drive, WriteCdb(good * 8, 2, 1, {0, 0, 0, 0}), Direction::Out, data);
    EXPECT_EQ(Spare(*drive, good * 8)[4], 0xFF);
}

TEST_F(VirtualController, FaultPlansFailStallRemoveAndSilence) {
    std::string error;
    testing::StartRevertImage(*drive, 0x0090);
    std::vector<std::uint8_t> status(1);
    ASSERT_TRUE(drive->AddFault({format::FaultKind::FailCommand, 0xFE, 1, 3, 1}, &error));
    EXPECT_TRUE(Send(*drive, Addressed(0xFE, 3 * 8, 1), Direction::In, status).TransportOk());   // chip 0
    EXPECT_EQ(Send(*drive, Addressed(0xFE, 3 * 8, 4), Direction::In, status).error, TransportError::Failed);
    EXPECT_TRUE(Send(*drive, Addressed(0xFE, 3 * 8, 4), Direction::In, status).TransportOk());   // used up
    ASSERT_TRUE(drive->AddFault({format::FaultKind::Stall, 0xF9, format::kAnyChip, format::kAnyBlock, 0}, &error));
    EXPECT_EQ(Spare(*drive, 0).size(), 16u);
    std::vector<std::uint8_t> s(16);
    EXPECT_EQ(Send(*drive, Addressed(0xF9, 0, 1), Direction::In, s).error, TransportError::Timeout);
    ASSERT_TRUE(drive->ClearFaults(&error));
    // A slow command is carried out, late by its delay (counted with the modelled time).
    ASSERT_TRUE(drive->AddFault({format::FaultKind::Slow, 0xF9, format::kAnyChip, format::kAnyBlock, 1, 50}, &error));
    const std::uint64_t before = drive->Info(&error)->modelledMicros;
    EXPECT_TRUE(Send(*drive, Addressed(0xF9, 0, 1), Direction::In, s).TransportOk());
    EXPECT_EQ(drive->Info(&error)->modelledMicros - before, 50'000u);
    EXPECT_TRUE(Send(*drive, Addressed(0xF9, 0, 1), Direction::In, s).TransportOk());  // used up
    EXPECT_EQ(drive->Info(&error)->modelledMicros - before, 50'000u);

    ASSERT_TRUE(drive->SetChipSilent(1, true, &error));
    std::vector<std::uint8_t> reply(8);
    Send(*drive, {0xF1, 0x10, 4, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply);
    EXPECT_EQ(reply[1], 0);
    EXPECT_EQ(Send(*drive, Addressed(0xFE, 0, 4), Direction::In, status).error, TransportError::Failed);
    ASSERT_TRUE(drive->ClearFaults(&error));

    ASSERT_TRUE(drive->RemoveAfter(2, &error));
    EXPECT_TRUE(SendNone(*drive, {0, 0, 0, 0, 0, 0}).TransportOk());
    EXPECT_TRUE(SendNone(*drive, {0, 0, 0, 0, 0, 0}).TransportOk());
    EXPECT_EQ(SendNone(*drive, {0, 0, 0, 0, 0, 0}).error, TransportError::NoDevice);
    EXPECT_FALSE(drive->Info(&error)->plugged);
}

// The modelled time is waited for in full, a few commands' worth at a time; a late answer
// is late at once.
TEST_F(VirtualController, CommandsTakeTheirModelledTime) {
    DriveSetup setup = testing::SmallSetup();
    setup.speed = SpeedModel::Usb2;
    Make(setup);
    std::string error;
    testing::StartRevertImage(*drive, 0x0090);
    using Clock = std::chrono::steady_clock;
    auto micros = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::microseconds>(d).count(); };
    const std::uint64_t before = drive->Info(&error)->modelledMicros;
    const auto started = Clock::now();
    for (int i = 0; i < 200; ++i) Spare(*drive, 0);
    const std::uint64_t modelled = drive->Info(&error)->modelledMicros - before;
    ASSERT_GT(modelled, 20'000u);
    EXPECT_GE(micros(Clock::now() - started) + 5'000, static_cast<long long>(modelled));

    ASSERT_TRUE(drive->AddFault({format::FaultKind::Slow, 0xF9, format::kAnyChip, format::kAnyBlock, 1, 50}, &error));
    const auto slowStarted = Clock::now();
    Spare(*drive, 0);
    EXPECT_GE(micros(Clock::now() - slowStarted), 50'000);
}

TEST_F(VirtualController, ParameterBlockAndTwoPlanes) {
    testing::StartRevertImage(*drive, 0x0090);
    std::vector<std::uint8_t> block(512, 0), one(1), reply(16), status(1);
    block[1] = 8, block[3] = 2, block[5] = 4;  // 8 blocks per chip, 2 sectors per page, 4 pages
    std::vector<std::uint8_t> f0(13, 0);
    f0[0] = 0xF0;
    ASSERT_TRUE(Send(*drive, f0, Direction::Out, block).TransportOk());
    EXPECT_EQ(Send(*drive, Addressed(0xFE, 8 * 8, 1), Direction::In, status).status, 2);  // past block 8
    block[3] = 4;  // wrong page size: the controller is lost
    Send(*drive, f0, Direction::Out, block);
    EXPECT_EQ(Send(*drive, Addressed(0xFE, 0, 1), Direction::In, status).error, TransportError::Failed);
    block[3] = 2, block[1] = 16;
    Send(*drive, f0, Direction::Out, block);

    std::vector<std::uint8_t> data(8 * 512, 0);
    Send(*drive, WriteCdb(0, 8, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, data);
    Send(*drive, WriteCdb(8, 8, 1, {0xFF, 0xFF, 0xFF, 0xFF}), Direction::Out, data);
    Send(*drive, {0xFC, 0, 0, 0, 1, 0, 0, 0, 0, 0}, Direction::In, one);
    EXPECT_EQ(one[0], 1);
    Send(*drive, Addressed(0xF5, 0, 1), Direction::In, reply);  // erases blocks 0 and 1
    EXPECT_EQ(Spare(*drive, 8)[0], 0xFF);
}

}  // namespace
}  // namespace mendora::vdrive
