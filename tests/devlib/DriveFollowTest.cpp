// The library keeps to the drive it was told to use: drives plugged in or out before it,
// which shift every name and number, do not move its queries or its repair to another.
#include "tests/devlib/DevlibTestKit.h"
#include "tests/Environment.h"
#include "vdrive/Presets.h"

namespace mendora::testing {
namespace {

using DriveFollow = LibraryFixture;

constexpr std::uint8_t kWriteFirmwareFlag = 0x80;

std::unique_ptr<vdrive::VirtualDrive> Create(const TempDir& dir, const std::string& name, const std::string& preset) {
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(dir / name, *vdrive::Preset(preset), &error);
    EXPECT_TRUE(drive) << error;
    return drive;
}

void SetDrives(const TempDir& dir, const std::vector<std::string>& names) {
    std::string list;
    for (const auto& name : names) list += (list.empty() ? "" : kListSeparator) + (dir / name);
    SetEnv("MENDORA_VDRIVE", list);
}

TEST_F(DriveFollow, ASelectedDriveIsFoundAgainWhereverItIsNamedNow) {
    auto a = Create(dir, "a.img", "qf90"), b = Create(dir, "b.img", "qf70"), c = Create(dir, "c.img", "qf90");
    SetDrives(dir, {"a.img", "b.img"});
    ASSERT_EQ(qdll.SetCurrentDriveNumber(handle, 1), 1);
    char letter = 0;
    ASSERT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 1);
    EXPECT_EQ(letter, 'E');

    // The QF70 re-plugged while a QF90 arrived before it and the first drive left.
    SetDrives(dir, {"c.img", "b.img"});
    std::uint16_t chip = 0, version = 0;
    ASSERT_EQ(qdll.GetChipID(handle, &chip, &version), 1);
    EXPECT_EQ(chip, 0x0070);
    ASSERT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 1);
    EXPECT_EQ(letter, 'E');
    SetDrives(dir, {"c.img", "a.img", "b.img"});
    ASSERT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 1);
    EXPECT_EQ(letter, 'F');

    ASSERT_EQ(qdll.RunRepairDevice(handle, kWriteFirmwareFlag), 1);
    EXPECT_EQ(*b->Info(nullptr)->identity.firmwareVersion, "Q70105");
    EXPECT_TRUE(b->Info(nullptr)->diskReady);
    for (auto* other : {a.get(), c.get()}) {
        EXPECT_EQ(*other->Info(nullptr)->identity.firmwareVersion, "Q90110");
        EXPECT_FALSE(other->Info(nullptr)->diskReady);
    }
}

TEST_F(DriveFollow, AGoneOrAmbiguousDriveIsNeverReplacedByAnother) {
    auto a = Create(dir, "a.img", "qf90"), b = Create(dir, "b.img", "qf90");
    SetDrives(dir, {"a.img", "b.img"});
    ASSERT_EQ(qdll.SetCurrentDriveNumber(handle, 0), 1);

    // Gone: b.img is now D:, the name a.img had, and it is not taken for a.img.
    SetDrives(dir, {"b.img"});
    char letter = 0;
    EXPECT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 0);
    EXPECT_EQ(qdll.RunRepairDevice(handle, kWriteFirmwareFlag), 0);
    EXPECT_EQ(*b->Info(nullptr)->identity.firmwareVersion, "Q90110");

    // Two drives at one place cannot be told apart: neither is used.
    SetDrives(dir, {"a.img", "a.img"});
    EXPECT_EQ(qdll.GetDriveLetter(handle, 1, &letter), 0);
    EXPECT_EQ(qdll.RunRepairDevice(handle, kWriteFirmwareFlag), 0);
    EXPECT_EQ(*a->Info(nullptr)->identity.firmwareVersion, "Q90110");
}

}  // namespace
}  // namespace mendora::testing
