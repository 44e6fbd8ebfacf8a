// The firmware check against the built device library on a virtual drive: the new version
// shown is that of the image the library will write to that drive.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/console/DialogTestKit.h"
#include "tests/Environment.h"
#include "tests/devlib/QdllModule.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {
namespace {

platform::FakeModuleLoader::Symbols BuiltLibrarySymbols() {
    platform::FakeModuleLoader::Symbols symbols;
    for (const char* name : {"QDLL_CreateCUSBDevice", "QDLL_DeviceExist", "QDLL_GetNumberOfDrive",
                             "QDLL_SetCurrentDriveNumber", "QDLL_GetDeviceString", "QDLL_GetFwVersion",
                             "QDLL_GetUpdateFWFile", "QDLL_GetChipID", "QDLL_GetDriveLetter", "QDLL_GetDeviceAttrib",
                             "QDLL_GetFlashAttrib", "QDLL_GetCurrentProgress", "QDLL_GetCurrentState",
                             "QDLL_RunRepairDevice", "QDLL_GetBADBlockInfomation", "QDLL_GetErrorCode"})
        symbols[name] = QdllModule::Loaded().Symbol(name);
    return symbols;
}

struct LibraryShown {
    std::string info;
    std::string newVersion;
};

LibraryShown CheckOn(const std::string& preset) {
    DialogRig rig;
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(rig.dir / "drive.img", *vdrive::Preset(preset), &error);
    EXPECT_TRUE(drive) << error;
    mendora::testing::SetEnv("MENDORA_VDRIVE", (rig.dir / "drive.img"));
    rig.fake.modules.modules["QDLL"] = BuiltLibrarySymbols();
    LibraryShown shown;
    rig.Run([&](RepairDialog& d) {
        shown.info = d.GetDlgItemText(1007);
        shown.newVersion = d.GetDlgItemText(1009);
        d.EndDialog(0);
    });
    mendora::testing::UnsetEnv("MENDORA_VDRIVE");
    return shown;
}

TEST(FirmwareCheckWithTheLibrary, ShowsTheVersionMadeForTheDrivesController) {
    ASSERT_TRUE(QdllModule::Loaded().Complete()) << QdllModule::Loaded().load.errorText;
    // Device.ini selects QF70 (code 0) in both runs.
    LibraryShown qf90 = CheckOn("qf90");
    EXPECT_EQ(qf90.info, "QUORVANE USB Flash Disk QF90 4096MB\n\nFW Ver:Q90110");
    EXPECT_EQ(qf90.newVersion, "New FW Ver:Q90120");
    LibraryShown qf70 = CheckOn("qf70");
    EXPECT_EQ(qf70.info, "QUORVANE USB Flash Disk QF70 512MB\n\nFW Ver:Q70105");
    EXPECT_EQ(qf70.newVersion, "New FW Ver:Q70105");
}

}  // namespace
}  // namespace mendora::testing
