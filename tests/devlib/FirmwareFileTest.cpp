#include <gtest/gtest.h>

#include <cstring>

#include "devlib/DeviceText.h"
#include "devlib/FirmwareUpdate.h"
#include "platform/kernel/NativeKernel.h"
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
    platform::NativeFileSystem files;
    auto image = LoadFirmwareImage(files, dir / "exact.bin");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 65536u);
    for (const char* name : {"short.bin", "long.bin", "empty.bin", "missing.bin"})
        EXPECT_FALSE(LoadFirmwareImage(files, dir / name)) << name;
    EXPECT_FALSE(LoadFirmwareImage(files, dir.Path()));  // a directory
    EXPECT_FALSE(LoadFirmwareImage(files, ""));
}

TEST(FirmwareFile, PathIsBesideTheExecutable) {
    platform::FakeProcessHost process;
    process.executablePath = "/tmp/UfdApp/Mendrix.exe";
    EXPECT_EQ(UpdateFirmwarePath(process, 0x0070, 2), "/tmp/UfdApp/Boot/FP/fwfp.bin");
    EXPECT_EQ(UpdateFirmwarePath(process, 0x0090, 2), "/tmp/UfdApp/Boot/FP/90/fwfp.bin");
    EXPECT_EQ(UpdateFirmwarePath(process, 0x0080, 0), "");
    EXPECT_EQ(UpdateFirmwarePath(process, 0x7090, 0), "");
    process.executablePath = "";
    EXPECT_EQ(UpdateFirmwarePath(process, 0x0070, 0), "");
}

TEST(FirmwareFile, AnImageIsMadeForTheControllerItsTagNames) {
    std::vector<std::uint8_t> image(65536, 0xFF);
    EXPECT_FALSE(IsMadeFor(image, 0x0090));
    std::memcpy(&image[0x40], "QF90", 4);
    EXPECT_TRUE(IsMadeFor(image, 0x0090));
    EXPECT_FALSE(IsMadeFor(image, 0x0070));
    EXPECT_FALSE(IsMadeFor(image, 0x7090));
    std::memcpy(&image[0x40], "QF70", 4);
    EXPECT_TRUE(IsMadeFor(image, 0x0070));
    std::memcpy(&image[0x40], "qf70", 4);  // the tag is upper case
    EXPECT_FALSE(IsMadeFor(image, 0x0070));
    std::memcpy(&image[0x40], "QF7G", 4);
    EXPECT_FALSE(IsMadeFor(image, 0x0070));
    image.resize(65535);
    std::memcpy(&image[0x40], "QF70", 4);
    EXPECT_FALSE(IsMadeFor(image, 0x0070));
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
