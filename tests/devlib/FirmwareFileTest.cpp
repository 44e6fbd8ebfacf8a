#include <gtest/gtest.h>

#include <cstring>

#include "devlib/DeviceText.h"
#include "devlib/FirmwareUpdate.h"
#include "platform/kernel/fake/FakeServices.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::devlib {
namespace {

TEST(FirmwareFile, OnlyAWhole64KiBImageLoads) {
    testing::TempDir dir;
    std::string exact(65536, 'a');
    testing::WriteBytes(dir / "exact.bin", exact);
    testing::WriteBytes(dir / "short.bin", exact.substr(1));
    testing::WriteBytes(dir / "long.bin", exact + "b");
    testing::WriteBytes(dir / "empty.bin", "");
    auto image = LoadFirmwareImage(dir / "exact.bin");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 65536u);
    for (const char* name : {"short.bin", "long.bin", "empty.bin", "missing.bin"})
        EXPECT_FALSE(LoadFirmwareImage(dir / name)) << name;
    EXPECT_FALSE(LoadFirmwareImage(dir.Path()));  // a directory
}

TEST(FirmwareFile, PathIsBesideTheExecutable) {
    platform::FakeProcessHost process;
    process.executablePath = "/tmp/UfdApp/Mendrix.exe";
    EXPECT_EQ(UpdateFirmwarePath(process, 2), "/tmp/UfdApp/Boot/FP/fwfp.bin");
    process.executablePath = "";
    EXPECT_EQ(UpdateFirmwarePath(process, 0), "");
}

TEST(DeviceText, DescriptionAndVersionTexts) {
    DriveIdentity identity;
    identity.vendor = "QUORVANE";
    identity.product = "USB Flash Disk";
    identity.answer.identity.chipId = 0x0080;
    identity.answer.geometry = vdrive::Geometry{1, 1, 16, 4, 2};  // 64 KiB: below one MB
    EXPECT_EQ(DescriptionOf(identity), "QUORVANE USB Flash Disk QF80 0MB");
    EXPECT_EQ(FirmwareVersionOf(identity), "FFFFFF");
    identity.answer.identity.firmwareVersion = "Q90110";
    EXPECT_EQ(FirmwareVersionOf(identity), "Q90110");

    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    CopyText("0123456789", buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, 8), std::string("0123456\0", 8));
}

}  // namespace
}  // namespace mendora::devlib
