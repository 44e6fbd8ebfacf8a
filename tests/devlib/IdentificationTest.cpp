#include <cstring>

#include "tests/devlib/DevlibTestKit.h"
#include "tests/Environment.h"
#include "protocol/MakerIdentity.h"

namespace mendora::testing {
namespace {

using Identification = LibraryFixture;

TEST_F(Identification, Qf90AnswersEveryQueryFromItsIdentificationReply) {
    auto drive = Plug("qf90");
    EXPECT_EQ(qdll.DeviceExist(handle), 1);
    EXPECT_EQ(qdll.GetNumberOfDrive(handle), 1);
    EXPECT_EQ(qdll.SetCurrentDriveNumber(handle, 0), 1);
    EXPECT_EQ(qdll.SetCurrentDriveNumber(handle, 1), 0);

    char text[256];
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(qdll.GetDeviceString(handle, text), 1);
    EXPECT_STREQ(text, "QUORVANE USB Flash Disk QF90 4096MB");
    char version[32] = {};
    ASSERT_EQ(qdll.GetFwVersion(handle, version), 1);
    EXPECT_STREQ(version, "Q90110");

    std::uint16_t chipId = 0, chipVersion = 0;
    ASSERT_EQ(qdll.GetChipID(handle, &chipId, &chipVersion), 1);
    EXPECT_EQ(chipId, 0x0090);
    EXPECT_EQ(chipVersion, 0x01);
    char letter = 0;
    ASSERT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 1);
    EXPECT_EQ(letter, 'D');

    std::uint8_t flashId[5] = {}, model = 0, attribute = 0xFF, zoneBank = 0, chips = 0;
    ASSERT_EQ(qdll.GetDeviceAttrib(handle, flashId, &model, &attribute, &zoneBank, &chips), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(flashId, flashId + 5), (std::vector<std::uint8_t>{0x2C, 0xD7, 0x94, 0x3E, 0x84}));
    EXPECT_EQ(model, 0x90);
    EXPECT_EQ(attribute, 0x00);
    EXPECT_EQ(zoneBank, 2);
    EXPECT_EQ(chips, 2);

    std::uint16_t maxSectors = 0, maxLogSectors = 0, maxBlocks = 0, maxZones = 0;
    std::uint8_t a1 = 0xFF, redundant = 0;
    ASSERT_EQ(qdll.GetFlashAttrib(handle, &maxSectors, &maxLogSectors, &maxBlocks, &maxZones, &a1, &redundant), 1);
    EXPECT_EQ(maxSectors, 128);
    EXPECT_EQ(maxLogSectors, 1024);
    EXPECT_EQ(maxBlocks, 1024);
    EXPECT_EQ(maxZones, 4);
    EXPECT_EQ(a1, 0);
    EXPECT_EQ(redundant, 8);

    // Nothing has been repaired yet.
    std::uint32_t bad = 7, total = 7;
    std::uint16_t divisor = 7;
    ASSERT_EQ(qdll.GetBADBlockInfomation(handle, &bad, &total, &divisor), 1);
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(total, 0u);
    EXPECT_EQ(divisor, 0u);
    EXPECT_EQ(qdll.GetCurrentProgress(handle), 0);
    EXPECT_EQ(qdll.GetCurrentState(handle) & 0xFF, 0);
    EXPECT_EQ(qdll.GetErrorCode(handle), 0u);
}

TEST_F(Identification, DriveWithoutFirmwareAnswersFFFFFF) {
    auto drive = Plug("qf70-nofw");
    ASSERT_EQ(qdll.DeviceExist(handle), 1);
    char version[32] = {};
    ASSERT_EQ(qdll.GetFwVersion(handle, version), 1);
    EXPECT_EQ(std::string(version, 7), std::string("FFFFFF\0", 7));
    char text[256] = {};
    qdll.GetDeviceString(handle, text);
    EXPECT_STREQ(text, "QUORVANE USB Flash Disk QF70 512MB");
    std::uint8_t flashId[5] = {}, model = 0, attribute = 0, zoneBank = 0, chips = 0;
    qdll.GetDeviceAttrib(handle, flashId, &model, &attribute, &zoneBank, &chips);
    EXPECT_EQ(model, 0x70);
    EXPECT_EQ(zoneBank, 1);
    EXPECT_EQ(chips, 1);
}

TEST_F(Identification, SecondVirtualDriveIsLetterE) {
    auto first = Plug("qf90", "a.img");
    auto second = Plug("qf70", "b.img");
    mendora::testing::SetEnv("MENDORA_VDRIVE", dir / "a.img" + mendora::testing::kListSeparator + dir / "b.img");
    EXPECT_EQ(qdll.GetNumberOfDrive(handle), 2);
    ASSERT_EQ(qdll.SetCurrentDriveNumber(handle, 1), 1);
    char letter = 0, version[32] = {};
    qdll.GetDriveLetter(handle, 1, &letter);
    qdll.GetFwVersion(handle, version);
    EXPECT_EQ(letter, 'E');
    EXPECT_STREQ(version, "Q70105");
}

TEST_F(Identification, NoDriveOrAForeignOneLeavesOutputsAlone) {
    EXPECT_EQ(qdll.DeviceExist(handle), 0);
    EXPECT_EQ(qdll.GetNumberOfDrive(handle), 0);
    char version[32] = "untouched";
    EXPECT_EQ(qdll.GetFwVersion(handle, version), 0);
    EXPECT_STREQ(version, "untouched");
    std::uint16_t chipId = 0x1234, chipVersion = 0x5678;
    EXPECT_EQ(qdll.GetChipID(handle, &chipId, &chipVersion), 0);
    EXPECT_EQ(chipId, 0x1234);

    vdrive::DriveSetup foreign = *vdrive::Preset("qf90");
    foreign.identity.inquiryVendor = "OTHERCO";
    auto other = Plug(foreign);
    EXPECT_EQ(qdll.DeviceExist(handle), 0);
    auto unplugged = Plug("qf90", "c.img");
    ASSERT_TRUE(unplugged->SetPlugged(false, nullptr));
    EXPECT_EQ(qdll.DeviceExist(handle), 0);
    // A handle never handed out answers nothing.
    EXPECT_EQ(qdll.DeviceExist(0), 0);
    EXPECT_EQ(qdll.GetErrorCode(0xFFFF), kQdllRepairFailed);
}

TEST_F(Identification, UpdateFileIsInTheBootTreeBesideTheExecutable) {
    const std::string boot = ExecutableDirectory() + "/Boot/";
    auto qf70 = Plug("qf70");
    const std::pair<std::uint8_t, const char*> forQf70[] = {
        {0, "70/fw70.bin"}, {1, "BCD/fwbcd.bin"}, {2, "FP/fwfp.bin"}, {3, "40/fw40.bin"}, {31, "70/fw70.bin"}};
    for (auto [code, entry] : forQf70) {
        char path[512] = {};
        ASSERT_EQ(qdll.GetUpdateFWFile(handle, path, code), 1);
        EXPECT_EQ(std::string(path), boot + entry) << int{code};
    }
    // The same handle asks again for each drive: a QF90 one gets the images made for it.
    auto qf90 = Plug("qf90", "b.img");
    const std::pair<std::uint8_t, const char*> forQf90[] = {{0, "90/fw90.bin"},      {1, "BCD/90/fwbcd.bin"},
                                                            {2, "FP/90/fwfp.bin"},   {3, "40/90/fw40.bin"},
                                                            {31, "90/fw90.bin"}};
    for (auto [code, entry] : forQf90) {
        char path[512] = {};
        ASSERT_EQ(qdll.GetUpdateFWFile(handle, path, code), 1);
        EXPECT_EQ(std::string(path), boot + entry) << int{code};
    }
}

TEST_F(Identification, NoUpdateFileWithoutADriveOrForAnotherController) {
    char path[512] = "untouched";
    EXPECT_EQ(qdll.GetUpdateFWFile(handle, path, 0), 0);
    EXPECT_STREQ(path, "untouched");
    auto drive = Plug("unsupported");  // chip 0080h
    EXPECT_EQ(qdll.GetUpdateFWFile(handle, path, 0), 0);
    EXPECT_STREQ(path, "untouched");
}

TEST(QdllExports, OnlyTheEntryPointsAreVisible) {
    QdllModule& qdll = QdllModule::Loaded();
    ASSERT_TRUE(qdll.module != nullptr);
    EXPECT_TRUE(qdll.Complete());
    EXPECT_EQ(qdll.Symbol("_ZN7mendora6devlib11DeviceTable8InstanceEv"), nullptr);
    EXPECT_EQ(qdll.Symbol("_ZN7mendora6vdrive14DecodeIdentifyESt4spanIKhLm18446744073709551615EE"), nullptr);
}

}  // namespace
}  // namespace mendora::testing
