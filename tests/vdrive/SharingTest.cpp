#include <gtest/gtest.h>

#include <thread>

#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"

namespace mendora::vdrive {
namespace {

// Two openers of one image write different pages at once; the store grows under both.
TEST(SharedImage, CommandsFromTwoOpenersStayWholeWhileTheStoreGrows) {
    testing::TempDir dir;
    std::string error;
    auto first = VirtualDrive::Create(dir / "a.img", testing::SmallSetup(), &error);
    auto second = VirtualDrive::Open(dir / "a.img", &error);
    ASSERT_TRUE(first && second) << error;
    testing::StartRevertImage(*first, 0x0090);
    auto writer = [](VirtualDrive& drive, std::uint8_t mask, std::uint8_t seed) {
        for (std::uint32_t sector = 0; sector < 16 * 8; sector += 2) {
            std::vector<std::uint8_t> page(1024, static_cast<std::uint8_t>(seed + sector));
            auto cdb = testing::Addressed(0xF6, sector, mask);
            cdb[8] = 2;
            ASSERT_TRUE(testing::Send(drive, cdb, Direction::Out, page).TransportOk());
        }
    };
    std::thread a(writer, std::ref(*first), 1, 0);
    std::thread b(writer, std::ref(*second), 4, 100);
    a.join();
    b.join();
    for (std::uint32_t sector = 0; sector < 16 * 8; sector += 2) {
        std::vector<std::uint8_t> back(1024);
        auto cdb = testing::Addressed(0xF8, sector, 4);
        cdb[8] = 2;
        testing::Send(*first, cdb, Direction::In, back);
        EXPECT_EQ(back[0], static_cast<std::uint8_t>(100 + sector));
        EXPECT_EQ(back[1023], static_cast<std::uint8_t>(100 + sector));
    }
}

}  // namespace
}  // namespace mendora::vdrive
