// A drive whose image's disk refuses more bytes: writes fail as a drive's do, with a medium
// error, and the image stays whole for every later opener.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"

namespace mendora::vdrive {
namespace {

using testing::Addressed;
using testing::Send;

std::vector<std::uint8_t> WriteCdb(std::uint32_t sector, std::uint8_t count, std::uint8_t spare) {
    auto cdb = Addressed(0xF6, sector, 1);
    cdb[1] = cdb[9] = cdb[10] = cdb[11] = spare;
    cdb[8] = count;
    return cdb;
}

// Programs one page of chip 0 with bytes all `fill`; marks carry spare bytes 00.
Reply Program(VirtualDrive& d, std::uint32_t page, std::uint8_t fill, std::uint8_t spare = 0xFF) {
    const std::uint32_t sectors = d.geometry().sectorsPerPage;
    std::vector<std::uint8_t> data(sectors * 512, fill);
    return Send(d, WriteCdb(page * sectors, static_cast<std::uint8_t>(sectors), spare), Direction::Out, data);
}

bool IsWriteError(const Reply& r) {
    return r.TransportOk() && r.status == kStatusCheckCondition && r.sense[2] == 0x03 && r.sense[12] == 0x0C;
}

// The process may write no file past `bytes` while it lives (EFBIG, no signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before_);
        ::signal(SIGXFSZ, previous_);
    }

private:
    rlimit before_{};
    sighandler_t previous_;
};

TEST(FullDisk, AStoreThatCannotGrowFailsTheWriteWithAMediumErrorAndKeepsWhatWasWritten) {
    testing::TempDir dir;
    DriveSetup setup = testing::SmallSetup();
    setup.geometry = Geometry{1, 1, 32, 4, 2};  // 128 pages on one chip
    std::string error;
    auto drive = VirtualDrive::Create(dir / "d.img", setup, &error);
    ASSERT_TRUE(drive) << error;
    testing::StartRevertImage(*drive, 0x0090);
    ASSERT_EQ(Program(*drive, 0, 1).status, kStatusGood);  // the store grows by a step here

    std::uint32_t written = 1;
    Reply refused;
    {
        FileSizeLimit full(std::filesystem::file_size(dir / "d.img"));
        for (std::uint32_t page = 1; page < 128; ++page, ++written) {
            refused = Program(*drive, page, static_cast<std::uint8_t>(page + 1));
            if (!refused.TransportOk() || refused.status != kStatusGood) break;
        }
    }
    ASSERT_LT(written, 128u) << "the store never had to grow";
    EXPECT_TRUE(IsWriteError(refused));
    // The refused page is still erased, and every opener finds the pages written before.
    auto again = VirtualDrive::Open(dir / "d.img", &error);
    ASSERT_TRUE(again) << error;
    std::vector<std::uint8_t> spare(16);
    Send(*again, Addressed(0xF9, written * 2, 1), Direction::In, spare);
    EXPECT_EQ(spare[0], 0xFF);
    std::vector<std::uint8_t> back(1024);
    auto read = Addressed(0xF8, (written - 1) * 2, 1);
    read[8] = 2;
    ASSERT_EQ(Send(*again, read, Direction::In, back).status, kStatusGood);
    EXPECT_EQ(back, std::vector<std::uint8_t>(1024, static_cast<std::uint8_t>(written)));
    // With room again, the same write goes through.
    EXPECT_EQ(Program(*again, written, 0x77).status, kStatusGood);
}

// A small file system of its own, filled to the last byte after the image is made.
class SmallDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
        if (::mount("tmpfs", disk.Path().c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "no tmpfs here";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.Path().c_str(), MNT_DETACH);
    }
    // Takes every byte left but `leave`.
    void Fill(std::uintmax_t leave = 0) {
        {
            std::ofstream filler(disk / "filler", std::ios::binary);
            const std::string chunk(4096, 'x');
            while (filler.write(chunk.data(), chunk.size())) {
            }
        }
        const std::uintmax_t size = std::filesystem::file_size(disk / "filler");
        std::filesystem::resize_file(disk / "filler", size > leave ? size - leave : 0);
    }
    testing::TempDir disk;
    bool mounted = false;
};

TEST_F(SmallDisk, AnImageWithoutRoomForItsTablesIsNotMade) {
    DriveSetup setup = testing::SmallSetup();
    setup.geometry = Geometry{1, 1, 1024, 64, 4};  // 512 KiB of page table alone
    Fill(300 * 1024);
    std::string error;
    EXPECT_FALSE(VirtualDrive::Create(disk / "d.img", setup, &error));
    EXPECT_NE(error.find("no room"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(disk / "d.img"));
}

// Erases, pattern writes and marks on a disk with no byte left: writes fail, marks that
// found room stay, and a new opener finds an intact image that says so.
TEST_F(SmallDisk, AFullDiskNeverLeavesTheImageDamaged) {
    DriveSetup setup = testing::SmallSetup();
    setup.geometry = Geometry{1, 1, 64, 32, 4};
    std::string error;
    auto drive = VirtualDrive::Create(disk / "d.img", setup, &error);
    ASSERT_TRUE(drive) << error;
    testing::StartRevertImage(*drive, 0x0090);
    Fill(140 * 1024);  // room for one step of the page store, and little more
    std::uint32_t failed = 0, marks = 0;
    std::vector<std::uint8_t> reply(16);
    for (std::uint32_t block = 0; block < 64; ++block) {
        ASSERT_TRUE(Send(*drive, Addressed(0xF5, block * 128, 1), Direction::In, reply).TransportOk()) << block;
        for (std::uint32_t page = 0; page < 32; ++page) {
            Reply r = Program(*drive, block * 32 + page, static_cast<std::uint8_t>(block * 32 + page));
            const bool good = r.TransportOk() && r.status == kStatusGood;
            ASSERT_TRUE(good || IsWriteError(r)) << block << " " << page;
            failed += !good;
        }
        if (block % 4 != 0) continue;
        Send(*drive, Addressed(0xF5, block * 128, 1), Direction::In, reply);
        marks += Program(*drive, block * 32, 0x00, 0x00).status == kStatusGood;
    }
    EXPECT_GT(failed, 0u) << "the disk never filled";
    EXPECT_GT(marks, 0u);
    drive.reset();
    auto again = VirtualDrive::Open(disk / "d.img", &error);
    ASSERT_TRUE(again) << error;
    auto info = again->Info(&error);
    ASSERT_TRUE(info) << error;
    EXPECT_EQ(info->marked.size(), marks);
}

}  // namespace
}  // namespace mendora::vdrive
