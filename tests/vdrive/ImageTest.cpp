#include <gtest/gtest.h>

#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/PlugWatcher.h"

namespace mendora::vdrive {
namespace {

using testing::SmallSetup;

TEST(VirtualDriveImage, CreatesOpensAndRefusesWhatIsNotAnImage) {
    testing::TempDir dir;
    std::string error;
    auto created = VirtualDrive::Create(dir / "a.img", SmallSetup(), &error);
    ASSERT_TRUE(created) << error;
    EXPECT_FALSE(VirtualDrive::Create(dir / "a.img", SmallSetup(), &error));  // never overwrites
    auto opened = VirtualDrive::Open(dir / "a.img", &error);
    ASSERT_TRUE(opened) << error;
    auto info = opened->Info(&error);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->identity.chipId, 0x0090);
    EXPECT_EQ(info->geometry.BlocksPerChip(), 16u);
    EXPECT_EQ(*info->identity.firmwareVersion, "Q90110");

    std::string bytes = testing::ReadBytes(dir / "a.img");
    testing::WriteBytes(dir / "foreign.img", "PK\3\4 something else entirely");
    EXPECT_FALSE(VirtualDrive::Open(dir / "foreign.img", &error));
    EXPECT_NE(error.find("not a virtual drive image"), std::string::npos) << error;
    testing::WriteBytes(dir / "short.img", bytes.substr(0, 20000));
    EXPECT_FALSE(VirtualDrive::Open(dir / "short.img", &error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    std::string damaged = bytes;
    damaged[40] ^= 0x01;
    testing::WriteBytes(dir / "damaged.img", damaged);
    EXPECT_FALSE(VirtualDrive::Open(dir / "damaged.img", &error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_FALSE(VirtualDrive::Open(dir / "missing.img", &error));
}

TEST(VirtualDriveImage, UnpluggingFailsEveryCommandLosesRamAndIsWatched) {
    testing::TempDir dir;
    std::string error;
    auto drive = VirtualDrive::Create(dir / "a.img", SmallSetup(), &error);
    auto other = VirtualDrive::Open(dir / "a.img", &error);
    ASSERT_TRUE(drive && other);
    PlugWatcher watcher(dir / "a.img");
    ASSERT_TRUE(watcher.IsWatching());
    testing::StartRevertImage(*drive, 0x0090);
    std::vector<std::uint8_t> reply(8);
    EXPECT_EQ(testing::Send(*drive, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply).status, 0);

    ASSERT_TRUE(other->SetPlugged(false, &error));
    EXPECT_EQ(testing::SendNone(*drive, {0, 0, 0, 0, 0, 0}).error, TransportError::NoDevice);
    EXPECT_EQ(watcher.Poll(), std::vector<PlugEvent>{PlugEvent::Removal});
    ASSERT_TRUE(other->SetPlugged(true, &error));
    EXPECT_EQ(watcher.Poll(), std::vector<PlugEvent>{PlugEvent::Arrival});
    EXPECT_TRUE(watcher.Poll().empty());
    // Power was lost: the revert image is gone and the flash commands with it.
    EXPECT_EQ(testing::Send(*drive, {0xF1, 0x10, 1, 0xFF, 0, 0, 0, 0, 0, 0}, Direction::In, reply).status, 2);
    ASSERT_TRUE(other->SetPlugged(false, &error));
    ASSERT_TRUE(other->SetPlugged(true, &error));
    EXPECT_EQ(watcher.Poll(), (std::vector<PlugEvent>{PlugEvent::Removal, PlugEvent::Arrival}));
    EXPECT_TRUE(other->Info(&error)->plugged);
}

TEST(VirtualDriveImage, IdenticalPagesAreStoredOnceAndErasedPagesFreeTheirRoom) {
    testing::TempDir dir;
    std::string error;
    auto drive = VirtualDrive::Create(dir / "a.img", SmallSetup(), &error);
    ASSERT_TRUE(drive);
    testing::StartRevertImage(*drive, 0x0090);
    std::vector<std::uint8_t> pattern(8 * 512, 0x3C);  // one block
    for (std::uint32_t block = 0; block < 16; ++block) {
        auto cdb = testing::Addressed(0xF6, block * 8, 1);
        cdb[8] = 8;
        cdb[1] = cdb[9] = cdb[10] = cdb[11] = 0xFF;
        ASSERT_TRUE(testing::Send(*drive, cdb, Direction::Out, pattern).TransportOk());
    }
    EXPECT_EQ(drive->Info(&error)->storedPages, 1u);
    std::vector<std::uint8_t> other(1024, 0x11);
    auto cdb = testing::Addressed(0xF6, 0, 1);
    cdb[8] = 2;
    std::vector<std::uint8_t> reply(16);
    testing::Send(*drive, testing::Addressed(0xF5, 0, 1), Direction::In, reply);
    testing::Send(*drive, cdb, Direction::Out, other);
    testing::Send(*drive, testing::Addressed(0xF5, 0, 1), Direction::In, reply);
    testing::Send(*drive, cdb, Direction::Out, other);
    EXPECT_EQ(drive->Info(&error)->storedPages, 2u);  // the freed slot was used again
}

TEST(VirtualDriveImage, PagesThatLookAlikeKeepTheirOwnBytesWhenSlotsAreReused) {
    testing::TempDir dir;
    std::string error;
    auto drive = VirtualDrive::Create(dir / "a.img", SmallSetup(), &error);
    ASSERT_TRUE(drive);
    testing::StartRevertImage(*drive, 0x0090);
    auto write = [&](std::uint32_t block, std::vector<std::uint8_t> page) {
        auto cdb = testing::Addressed(0xF6, block * 8, 1);
        cdb[8] = 2;
        return testing::Send(*drive, cdb, Direction::Out, page).TransportOk();
    };
    auto read = [&](std::uint32_t block) {
        std::vector<std::uint8_t> page(1024);
        auto cdb = testing::Addressed(0xF8, block * 8, 1);
        cdb[8] = 2;
        testing::Send(*drive, cdb, Direction::In, page);
        return page;
    };
    // Equal where the store samples a page (start, middle, end), different elsewhere.
    std::vector<std::uint8_t> a(1024, 0x3C), b = a;
    b[100] = 0x00;
    ASSERT_TRUE(write(0, a));
    std::vector<std::uint8_t> status(16);
    testing::Send(*drive, testing::Addressed(0xF5, 0, 1), Direction::In, status);
    ASSERT_TRUE(write(1, b));  // takes the slot a left
    ASSERT_TRUE(write(2, a));
    ASSERT_TRUE(write(3, a));
    ASSERT_TRUE(write(4, b));
    EXPECT_EQ(read(1), b);
    EXPECT_EQ(read(2), a);
    EXPECT_EQ(read(3), a);
    EXPECT_EQ(read(4), b);
    EXPECT_EQ(drive->Info(&error)->storedPages, 2u);
}

}  // namespace
}  // namespace mendora::vdrive
