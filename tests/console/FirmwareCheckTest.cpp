// The device information text and the firmware version check.
#include <gtest/gtest.h>

#include "console/FirmwareCheck.h"
#include "platform/kernel/NativeKernel.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

struct Shown {
    std::string info;
    std::string newVersion;
    bool updateChecked = false;
    bool updateEnabled = false;
};

Shown RunAndLook(DialogRig& rig) {
    Shown shown;
    rig.Run([&](RepairDialog& d) {
        shown.info = d.GetDlgItemText(1007);
        shown.newVersion = d.GetDlgItemText(1009);
        shown.updateChecked = d.IsDlgButtonChecked(1008) == platform::BST_CHECKED;
        shown.updateEnabled = d.GetDlgItem(1008)->IsWindowEnabled();
        d.EndDialog(0);
    });
    return shown;
}

bool Logged(DialogRig& rig, const std::string& prefix) {
    for (const std::string& line : rig.fake.debug.Lines())
        if (line.rfind(prefix, 0) == 0) return true;
    return false;
}

TEST(FirmwareCheck, ADriveWithFirmwareShowsBothVersionsAndCompares) {
    DialogRig rig;
    Drive().updateFile = rig.WriteUpdateFile("QFW045");
    Shown shown = RunAndLook(rig);
    EXPECT_EQ(shown.info, "USB DISK 2.0 (QF70) 1.9 GB\n\nFW Ver:VER123");
    EXPECT_EQ(shown.newVersion, "New FW Ver:QFW045");
    EXPECT_FALSE(shown.updateChecked);
    EXPECT_TRUE(shown.updateEnabled);
    EXPECT_EQ(Console().noFirmware.load(), 0u);
    EXPECT_TRUE(Logged(rig, "fwv=123, newfwv=45"));
}

TEST(FirmwareCheck, ADriveWithoutFirmwareGetsTheUpdateForcedAndNoComparison) {
    DialogRig rig;
    Drive().version = "FFFFFF 9.99";
    Drive().updateFile = rig.WriteUpdateFile("QFW045");
    Shown shown = RunAndLook(rig);
    EXPECT_EQ(shown.info, "USB DISK 2.0 (QF70) 1.9 GB\n\nFW Ver:NO FIRMWARE");
    EXPECT_EQ(shown.newVersion, "New FW Ver:QFW045");
    EXPECT_TRUE(shown.updateChecked);
    EXPECT_FALSE(shown.updateEnabled);
    EXPECT_EQ(Console().noFirmware.load(), 1u);
    EXPECT_FALSE(Logged(rig, "fwv="));
}

TEST(FirmwareCheck, ShortVersionsCompareAsZero) {
    DialogRig rig;
    Drive().version = "1.2";
    Drive().updateFile = rig.WriteUpdateFile("AB");
    Shown shown = RunAndLook(rig);
    EXPECT_EQ(shown.info, "USB DISK 2.0 (QF70) 1.9 GB\n\nFW Ver:1.2");
    EXPECT_EQ(shown.newVersion, "New FW Ver:AB");
    EXPECT_TRUE(Logged(rig, "fwv=0, newfwv=0"));
}

TEST(FirmwareCheck, AMissingOrShortUpdateFileGivesAnEmptyNewVersion) {
    for (std::size_t length : {std::size_t{0}, std::size_t{0xEFF7}}) {
        DialogRig rig;
        Drive().updateFile = length ? rig.WriteUpdateFile("QFW045", length) : rig.dir / "missing.bin";
        Shown shown = RunAndLook(rig);
        EXPECT_EQ(shown.newVersion, "New FW Ver:") << length;
        EXPECT_TRUE(Logged(rig, "fwv=123, newfwv=0"));
    }
    DialogRig rig;
    rig.fake.modules.modules["QDLL"].erase("QDLL_GetUpdateFWFile");
    rig.fake.modules.modules["QDLL"].erase("QDLL_GetFwVersion");
    Shown shown = RunAndLook(rig);
    EXPECT_EQ(shown.info, "USB DISK 2.0 (QF70) 1.9 GB\n\nFW Ver:");
    EXPECT_EQ(shown.newVersion, "New FW Ver:");
}

TEST(FirmwareCheck, TheUpdateFileVersionIsSixBytesAtEFF2) {
    TempDir dir;
    platform::NativeFileSystem files;
    std::string bytes(0xEFF8, 'x');
    bytes.replace(0xEFF0, 8, "..1.0513");
    std::ofstream(dir / "exact.bin", std::ios::binary) << bytes;
    EXPECT_EQ(ReadUpdateFirmwareVersion(files, dir / "exact.bin"), "1.0513");
    bytes.replace(0xEFF4, 1, std::string(1, '\0'));
    std::ofstream(dir / "zero.bin", std::ios::binary) << bytes;
    EXPECT_EQ(ReadUpdateFirmwareVersion(files, dir / "zero.bin"), "1.");
    EXPECT_EQ(ReadUpdateFirmwareVersion(files, ""), "");
}

TEST(FirmwareCheck, VersionNumbersStartAtTheFourthCharacter) {
    EXPECT_EQ(VersionNumber("VER123"), 123);
    EXPECT_EQ(VersionNumber("1.0513"), 513);
    EXPECT_EQ(VersionNumber("abc  +42x"), 42);
    EXPECT_EQ(VersionNumber("abc-7"), -7);
    EXPECT_EQ(VersionNumber("abc"), 0);
    EXPECT_EQ(VersionNumber("abcd12"), 0);
    EXPECT_EQ(VersionNumber("abc99999999999999"), 2147483647);
    EXPECT_EQ(VersionCompareLine("Q  10", "V1.2"), "fwv=10, newfwv=2");
}

TEST(FirmwareCheck, DeviceInformationTextKeepsTheWholeVersion) {
    char version[32] = {};
    std::memcpy(version, "FFFFFE", 6);
    EXPECT_EQ(DeviceInformationText("Disk", version), "Disk\n\nFW Ver:FFFFFE");
    std::memset(version, 'A', sizeof version);  // no terminator: the buffer ends it
    EXPECT_EQ(DeviceInformationText("Disk", version), "Disk\n\nFW Ver:" + std::string(32, 'A'));
    std::memcpy(version, "FFFFFF", 6);
    EXPECT_EQ(DeviceInformationText("", version), "\n\nFW Ver:NO FIRMWARE");
}

}  // namespace
}  // namespace mendora::testing
