#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "protocol/DiskCommands.h"
#include "tests/FileBytes.h"
#include "tests/Environment.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/IdentifyReply.h"

namespace mendora::vdrive {
namespace {

using testing::Addressed;
using testing::Send;
using testing::SendNone;
using Bytes = std::vector<std::uint8_t>;

const Bytes kWriteFirmware = {0xE0, 0x46, 0x57, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
const Bytes kReadFirmware = {0xE1, 0x46, 0x57, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
const Bytes kFormat = {0xE3, 0x46, 0x4D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
const Bytes kReadCapacity = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes FirmwareImage(const char* version) {
    Bytes image(65536);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::memcpy(&image[0xEFF2], version, 6);
    return image;
}

Bytes Rw10(std::uint8_t op, std::uint32_t lba, std::uint16_t count) {
    const auto cdb = disk::ReadWrite10Cdb(op, lba, count);
    return Bytes(cdb.begin(), cdb.end());
}

// The fixed-format sense key, ASC and ASCQ of a reply.
std::array<std::uint8_t, 3> SenseOf(const Reply& r) { return {r.sense[2], r.sense[12], r.sense[13]}; }

struct LibraryCommands : ::testing::Test {
    void Make(DriveSetup setup) {
        std::string error;
        path = dir / ("d" + std::to_string(++made) + ".img");
        drive = VirtualDrive::Create(path, setup, &error);
        ASSERT_TRUE(drive) << error;
    }
    void SetUp() override { Make(testing::SmallSetup()); }
    Bytes Capacity() {
        Bytes a(8);
        EXPECT_EQ(Send(*drive, kReadCapacity, Direction::In, a).status, kStatusGood);
        return a;
    }
    testing::TempDir dir;
    std::string path;
    std::unique_ptr<VirtualDrive> drive;
    int made = 0;
};

TEST_F(LibraryCommands, FirmwareWriteSetsTheVersionAndReadsBackWithoutARevertImage) {
    Make(*Preset("qf70-nofw"));
    Bytes back(65536);
    Reply none = Send(*drive, kReadFirmware, Direction::In, back);
    EXPECT_EQ(none.status, kStatusCheckCondition);
    EXPECT_EQ(SenseOf(none), (std::array<std::uint8_t, 3>{0x03, 0x11, 0x00}));

    Bytes image = FirmwareImage("Q70105");
    Reply written = Send(*drive, kWriteFirmware, Direction::Out, image);
    EXPECT_EQ(written.status, kStatusGood);
    EXPECT_EQ(written.moved, 65536u);
    Reply read = Send(*drive, kReadFirmware, Direction::In, back);
    EXPECT_EQ(read.moved, 65536u);
    EXPECT_EQ(back, image);
    Bytes id(64);
    Send(*drive, Bytes(kIdentifyCdb.begin(), kIdentifyCdb.end()), Direction::In, id);
    EXPECT_EQ(id[17], 1);
    EXPECT_EQ(std::string(id.begin() + 32, id.begin() + 38), "Q70105");

    // Kept in the image: another opener sees the same firmware.
    auto again = VirtualDrive::Open(path, nullptr);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again->Info(nullptr)->identity.firmwareVersion, "Q70105");
    Bytes other(65536);
    Send(*again, kReadFirmware, Direction::In, other);
    EXPECT_EQ(other, image);
}

TEST_F(LibraryCommands, FirmwareMadeForAnotherControllerIsRefused) {
    Bytes foreign = FirmwareImage("Q70120");
    std::memcpy(&foreign[0x40], "QF70", 4);
    EXPECT_EQ(SenseOf(Send(*drive, kWriteFirmware, Direction::Out, foreign)),
              (std::array<std::uint8_t, 3>{0x05, 0x26, 0}));
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90110");
    // Its own controller's image, or one naming none, is taken.
    Bytes own = FirmwareImage("Q90120");
    std::memcpy(&own[0x40], "QF90", 4);
    EXPECT_EQ(Send(*drive, kWriteFirmware, Direction::Out, own).status, kStatusGood);
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90120");
    Bytes untagged = FirmwareImage("Q90121");
    EXPECT_EQ(Send(*drive, kWriteFirmware, Direction::Out, untagged).status, kStatusGood);
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90121");
}

TEST_F(LibraryCommands, FirmwareCommandsRefuseWrongSignatureOrLength) {
    Bytes image = FirmwareImage("Q90999"), small(512);
    Bytes unsigned_ = kWriteFirmware;
    unsigned_[2] = 0x00;
    EXPECT_EQ(SenseOf(Send(*drive, unsigned_, Direction::Out, image)), (std::array<std::uint8_t, 3>{0x05, 0x24, 0}));
    EXPECT_EQ(SenseOf(Send(*drive, kWriteFirmware, Direction::Out, small)), (std::array<std::uint8_t, 3>{0x05, 0x24, 0}));
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90110");
    // The image a drive is created with carries its version where the update's does.
    Bytes back(65536);
    Send(*drive, kReadFirmware, Direction::In, back);
    EXPECT_EQ(std::string(back.begin() + 0xEFF0, back.begin() + 0xEFF8), "FWQ90110");
}

TEST_F(LibraryCommands, MarkScanReturnsOneBitmapPerChip) {
    testing::StartRevertImage(*drive, 0x0090);
    // Mark block 3 of chip 0 and block 9 of chip 1 as the revert does: user bytes 00 on the first page.
    Bytes data(2 * 512, 0);
    for (auto [sector, mask] : {std::pair{3u * 8, std::uint8_t{1}}, std::pair{9u * 8, std::uint8_t{4}}}) {
        Bytes cdb = Addressed(0xF6, sector, mask);
        cdb[8] = 2;
        EXPECT_EQ(Send(*drive, cdb, Direction::Out, data).status, kStatusGood);
    }
    Bytes bitmap(2);
    Reply r = Send(*drive, {0xE2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}, Direction::In, bitmap);
    EXPECT_EQ(r.moved, 2u);
    EXPECT_EQ(bitmap, (Bytes{0x08, 0x00}));
    Send(*drive, {0xE2, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00}, Direction::In, bitmap);
    EXPECT_EQ(bitmap, (Bytes{0x00, 0x02}));
    // A shorter allocation gets the head of the bitmap; a chip the drive lacks is refused.
    Bytes one(1);
    EXPECT_EQ(Send(*drive, {0xE2, 0, 0x01, 0, 0, 0, 0, 0, 0x01, 0}, Direction::In, one).moved, 1u);
    EXPECT_EQ(SenseOf(Send(*drive, {0xE2, 0, 0x02, 0, 0, 0, 0, 0, 0x02, 0}, Direction::In, bitmap)),
              (std::array<std::uint8_t, 3>{0x05, 0x24, 0}));
}

TEST_F(LibraryCommands, DiskIsNotReadyUntilFormattedThenReadsWhatWasWritten) {
    Bytes capacity(8), sector(512, 0xAB), sense(18);
    const std::array<std::uint8_t, 3> notReady = {0x02, 0x31, 0x00};
    Reply r = Send(*drive, kReadCapacity, Direction::In, capacity);
    EXPECT_EQ(r.status, kStatusCheckCondition);
    EXPECT_EQ(SenseOf(r), notReady);
    EXPECT_EQ(SenseOf(Send(*drive, Rw10(0x28, 0, 1), Direction::In, sector)), notReady);
    EXPECT_EQ(SenseOf(Send(*drive, Rw10(0x2A, 0, 1), Direction::Out, sector)), notReady);
    Send(*drive, {0x03, 0, 0, 0, 18, 0}, Direction::In, sense);
    EXPECT_EQ(sense[2], 0x02);
    EXPECT_EQ(sense[12], 0x31);
    EXPECT_FALSE(drive->Info(nullptr)->diskReady);

    EXPECT_EQ(SendNone(*drive, kFormat).status, kStatusGood);
    // 2 chips x 16 blocks x 8 sectors: last LBA 255, 512-byte blocks.
    EXPECT_EQ(Capacity(), (Bytes{0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x02, 0x00}));

    // Three sectors across a page boundary (2 sectors per page); the neighbours stay zero.
    Bytes three(3 * 512);
    for (std::size_t i = 0; i < three.size(); ++i) three[i] = static_cast<std::uint8_t>(i / 512 + 1);
    EXPECT_EQ(Send(*drive, Rw10(0x2A, 5, 3), Direction::Out, three).moved, 3u * 512);
    Bytes five(5 * 512, 0xEE);
    EXPECT_EQ(Send(*drive, Rw10(0x28, 4, 5), Direction::In, five).moved, 5u * 512);
    EXPECT_EQ(five[0], 0x00);
    EXPECT_EQ(five[512], 0x01);
    EXPECT_EQ(five[2 * 512 + 511], 0x02);
    EXPECT_EQ(five[3 * 512], 0x03);
    EXPECT_EQ(five[4 * 512 + 511], 0x00);
    // Beyond the last sector: ILLEGAL REQUEST, LBA out of range.
    EXPECT_EQ(SenseOf(Send(*drive, Rw10(0x28, 255, 2), Direction::In, five)), (std::array<std::uint8_t, 3>{5, 0x21, 0}));
    EXPECT_EQ(Send(*drive, Rw10(0x28, 255, 1), Direction::In, sector).status, kStatusGood);

    auto info = VirtualDrive::Open(path, nullptr)->Info(nullptr);
    EXPECT_TRUE(info->diskReady);
    EXPECT_EQ(info->capacitySectors, 256u);
}

TEST_F(LibraryCommands, FormatLeavesOutMarkedBlocksAndVendorEraseLosesIt) {
    DriveSetup setup = testing::SmallSetup();
    setup.plantings = Plantings{3, 0, 0, 3, 11};
    setup.formatted = true;
    Make(setup);
    EXPECT_EQ(Capacity(), (Bytes{0x00, 0x00, 0x00, 0xE7, 0x00, 0x00, 0x02, 0x00}));  // (32 - 3) x 8 - 1
    Bytes data(512, 0x5C), back(512);
    Send(*drive, Rw10(0x2A, 7, 1), Direction::Out, data);

    // The revert's erase destroys the format, and with it the disk's contents.
    testing::StartRevertImage(*drive, 0x0090);
    Bytes status(1);
    EXPECT_EQ(Send(*drive, Addressed(0xFE, 0, 1), Direction::In, status).status, kStatusGood);
    Bytes capacity(8);
    EXPECT_EQ(SenseOf(Send(*drive, kReadCapacity, Direction::In, capacity)), (std::array<std::uint8_t, 3>{2, 0x31, 0}));
    EXPECT_FALSE(drive->Info(nullptr)->diskReady);
    SendNone(*drive, kFormat);
    Send(*drive, Rw10(0x28, 7, 1), Direction::In, back);
    EXPECT_EQ(back, Bytes(512, 0x00));
    // Page writes of the flash commands lose it as well; reading does not.
    Bytes page(2 * 512, 0xFF), spare(16);
    Send(*drive, Addressed(0xF9, 8, 1), Direction::In, spare);
    EXPECT_TRUE(drive->Info(nullptr)->diskReady);
    Bytes write = Addressed(0xF6, 8, 1);
    write[8] = 2;
    Send(*drive, write, Direction::Out, page);
    EXPECT_FALSE(drive->Info(nullptr)->diskReady);
}

TEST_F(LibraryCommands, GrownBadBlockFailsTheStatusReadOnceItHoldsData) {
    DriveSetup setup = testing::SmallSetup();
    setup.geometry.chipEnables = 1;
    setup.plantings = Plantings{0, 1, 0, 3, 5};
    Make(setup);
    testing::StartRevertImage(*drive, 0x0090);
    std::uint32_t grown = 0;
    auto blocks = drive->Blocks(nullptr);
    for (const auto& b : *blocks) {
        if (b.kind == format::BlockKind::GrownBad) grown = b.block;
    }
    Bytes statusRead = Addressed(0xF8, grown * 8, 1), two(2);
    statusRead[7] = 1, statusRead[8] = 1;
    Send(*drive, statusRead, Direction::In, two);
    EXPECT_EQ(two[0], 0x00);  // nothing written yet
    Bytes data(2 * 512, 0xFF), back(512);
    Bytes write = Addressed(0xF6, grown * 8, 1);
    write[8] = 2;
    EXPECT_EQ(Send(*drive, write, Direction::Out, data).status, kStatusGood);
    Send(*drive, statusRead, Direction::In, two);
    EXPECT_EQ(two[0], 0xFF);
    Bytes read = Addressed(0xF8, grown * 8, 1);
    read[8] = 1;
    Send(*drive, read, Direction::In, back);
    int zeros = 0;
    for (auto b : back) zeros += 8 - __builtin_popcount(b);
    EXPECT_EQ(zeros, 255);
}

TEST_F(LibraryCommands, NewCommandsAreTraced) {
    drive->SetTraceFile(dir / "trace.txt");
    Bytes image = FirmwareImage("Q90111"), bitmap(2);
    Send(*drive, kWriteFirmware, Direction::Out, image);
    Send(*drive, {0xE2, 0, 0x01, 0, 0, 0, 0, 0, 0x02, 0}, Direction::In, bitmap);
    SendNone(*drive, kFormat);
    Send(*drive, kReadCapacity, Direction::In, bitmap);
    EXPECT_EQ(testing::ReadBytes(dir / "trace.txt"),
              "E0 46 57 00 00 00 01 00 00 00 | out 65536 | ok 00\n"
              "E2 00 01 00 00 00 00 00 02 00 | in 2 | ok 00\n"
              "E3 46 4D 00 00 00 00 00 00 00 | none 0 | ok 00\n"
              "25 00 00 00 00 00 00 00 00 00 | in 2 | ok 00\n");
}

TEST(LibraryCommandsImage, WholeQf90FormatIsQuickAndStaysSparse) {
    testing::TempDir dir;
    DriveSetup setup = *Preset("qf90");
    setup.formatted = true;
    auto drive = VirtualDrive::Create(dir / "q.img", setup, nullptr);
    ASSERT_TRUE(drive);
    Bytes data(64 * 512, 0x3C);
    for (std::uint32_t lba : {0u, 4096u * 1024u, 8u * 1024 * 1024 - 64}) {
        EXPECT_EQ(Send(*drive, Rw10(0x2A, lba, 64), Direction::Out, data).status, kStatusGood);
    }
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(SendNone(*drive, kFormat).status, kStatusGood);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    if (auto allocated = mendora::testing::AllocatedBytes(dir / "q.img")) EXPECT_LT(*allocated, 64ull << 20);
    EXPECT_EQ(drive->Info(nullptr)->capacitySectors, 8u * 1024 * 1024);
}

TEST(LibraryCommandsImage, AnImageOfTheFirstLayoutIsRefusedClearly) {
    testing::TempDir dir;
    ASSERT_TRUE(VirtualDrive::Create(dir / "a.img", testing::SmallSetup(), nullptr));
    std::string bytes = testing::ReadBytes(dir / "a.img");
    bytes[8] = 1;  // the layout version
    testing::WriteBytes(dir / "old.img", bytes);
    std::string error;
    EXPECT_FALSE(VirtualDrive::Open(dir / "old.img", &error));
    EXPECT_NE(error.find("image version 1 is not supported"), std::string::npos) << error;
}

}  // namespace
}  // namespace mendora::vdrive
