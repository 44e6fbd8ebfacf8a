// Initialisation of the main dialog: the order of its steps, its refusals and the device
// selection file.
#include <gtest/gtest.h>

#include "console/DeviceSelection.h"
#include "console/RevertRecords.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

using platform::MessageButtons;

TEST(DialogInit, WritesItsStepsInOrderAndShowsTheDialog) {
    DialogRig rig;
    Drive().updateFile = rig.WriteUpdateFile("QFW045");
    bool shown = false;
    int code = rig.Run([&](RepairDialog& d) {
        shown = d.IsWindowVisible();
        d.EndDialog(7);
    });
    EXPECT_EQ(code, 7);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(rig.Boxes().empty());
    std::vector<std::string> expected = {
        "OnInitDialog 0",
        "OnInitDialog 1",
        "OnInitDialog 2",
        "OnInitDialog 3",
        "SelectDevice=0",
        "Enter ReadNewFWVersion",
        Drive().updateFile,
        "fwv=123, newfwv=45",
        "OnInitDialog 4",
        "chipID=112,chipVer=1",
        "chipid[0]=ec,chipid[1]=d7,chipid[2]=14,chipid[3]=a5,chipid[4]=64,model=70,attrib=0,zbank=1,chipcnt=2",
        "maxSectors=80,maxLogSectors=200,maxBlocks=400,maxZones=4,A1Version=0,ReduantSymbol=3",
        "OnInitDialog 5",
    };
    EXPECT_EQ(rig.fake.debug.Lines(), expected);
    EXPECT_EQ(Console().chipId.load(), 0x0070);
    EXPECT_EQ(Console().chipVersion.load(), 1);
    EXPECT_STREQ(SharedGeometry().DriveName, "D:");
    EXPECT_EQ(SharedGeometry().SectorsPerPage, 4u);
    EXPECT_EQ(SharedGeometry().BlocksPerChip, 4096u);
    EXPECT_EQ(rig.changes.starts, 1);
    EXPECT_EQ(rig.changes.stops, 1);  // before the window went
}

TEST(DialogInit, TheLibraryMissingOrWithoutItsFirstEntryEndsWithCodeOne) {
    for (bool moduleExists : {false, true}) {
        DialogRig rig;
        if (moduleExists) rig.fake.modules.modules["QDLL"].erase("QDLL_CreateCUSBDevice");
        else rig.fake.modules.modules.clear();
        EXPECT_EQ(rig.Run(), 1);
        ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
        EXPECT_EQ(rig.fake.messages.shown[0].text, "Can't find QDLL.dll");
        EXPECT_EQ(rig.fake.messages.shown[0].caption, "Mendrix");  // not renamed yet
        EXPECT_EQ(rig.fake.messages.shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(rig.fake.debug.Lines(), std::vector<std::string>{"OnInitDialog 0"});
        EXPECT_EQ(rig.host.windowsShown, 0);
        EXPECT_EQ(rig.fake.modules.loads, std::vector<std::string>{"QDLL"});
    }
}

TEST(DialogInit, WithoutADriveOnlyTheMessageIsShown) {
    DialogRig rig;
    Drive().exists = 0;
    EXPECT_EQ(rig.Run(), 2);
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    EXPECT_EQ(rig.fake.messages.shown[0].text, "Device not found, please insert device");
    EXPECT_EQ(rig.fake.messages.shown[0].caption, "Mendora");
    EXPECT_EQ(rig.host.windowsShown, 0);
    std::vector<std::string> lines = rig.fake.debug.Lines();
    EXPECT_EQ(lines.back(), "OnInitDialog 4");
    EXPECT_EQ(rig.changes.starts, 0);
}

struct Refusal {
    std::uint16_t chipId;
    std::uint16_t chipVersion;
    std::uint32_t osBuild;
    std::uint8_t attribute;
    const char* message;  // null: no refusal
};

TEST(DialogInit, RefusesUnsupportedDrivesWithTheirMessageAndCodeTwo) {
    const Refusal cases[] = {
        {0x0080, 0, 2600, 0, "The Recovery Utility do not support this device."},
        {0x0050, 0x11, 2601, 0, "User can not use this tool in Windows Vista, please use it in Windows 2000/XP."},
        {0x0050, 0x11, 2600, 0, nullptr},
        {0x0050, 0x10, 6000, 0, nullptr},
        {0x0070, 1, 2600, 0x20, "Dual chanel mode can not be rescued."},
        {0x0090, 1, 2600, 0xDF, nullptr},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::to_string(c.chipId) + "/" + std::to_string(c.chipVersion) + "/" + std::to_string(c.osBuild));
        DialogRig rig;
        Drive().chipId = c.chipId;
        Drive().chipVersion = c.chipVersion;
        Drive().attribute = c.attribute;
        RecordOsBuildNumber(c.osBuild);
        int code = rig.Run([](RepairDialog& d) { d.EndDialog(9); });
        if (!c.message) {
            EXPECT_EQ(code, 9);
            EXPECT_TRUE(rig.Boxes().empty());
            EXPECT_EQ(rig.fake.debug.Lines().back(), "OnInitDialog 5");
            continue;
        }
        EXPECT_EQ(code, 2);
        EXPECT_EQ(rig.Boxes(), std::vector<std::string>{c.message});
        EXPECT_EQ(rig.fake.messages.shown[0].caption, "Mendora");
        EXPECT_EQ(rig.host.windowsShown, 0);
        std::vector<std::string> lines = rig.fake.debug.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "OnInitDialog 5"), 0);
        // The dual channel is seen only in the attributes the records are prepared from.
        bool prepared = lines.back().rfind("maxSectors=", 0) == 0;
        EXPECT_EQ(prepared, c.attribute != 0);
    }
}

TEST(DeviceSelection, PrefixesNameTheCodeInOrderAndOthersKeepIt) {
    EXPECT_EQ(SelectionCodeFor("QF40", 0), 3);
    EXPECT_EQ(SelectionCodeFor("QF40-MLC", 0), 3);
    EXPECT_EQ(SelectionCodeFor("QF70", 2), 0);
    EXPECT_EQ(SelectionCodeFor("BCDX", 0), 1);
    EXPECT_EQ(SelectionCodeFor("FP", 0), 2);
    EXPECT_EQ(SelectionCodeFor("QF90", 1), 1);
    EXPECT_EQ(SelectionCodeFor("qf40", 0), 0);
    EXPECT_EQ(SelectionCodeFor("", 2), 2);
    EXPECT_EQ(DeviceIniPath("/tmp/UfdApp/Mendrix.exe"), "/tmp/UfdApp/Device.ini");
}

TEST(DeviceSelection, TheDialogReadsTheFileBesideTheExecutable) {
    struct Case {
        const char* ini;
        int code;
    };
    const Case cases[] = {
        {"[Device]\r\nSelectDevice=QF40 rev B", 3},
        {"[Device]\r\nSelectDevice=FP", 2},
        {"[Device]\r\nOther=QF40", 0},
        {"[Device]\r\nSelectDevice=QF90", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        DialogRig rig;
        rig.WriteDeviceIni(c.ini);
        rig.Run([](RepairDialog& d) { d.EndDialog(0); });
        std::vector<std::string> lines = rig.fake.debug.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "SelectDevice=" + std::to_string(c.code)), 1);
        EXPECT_EQ(Console().selectionCode.load(), c.code);
        EXPECT_EQ(Console().repairFlags.load(), c.code);
        EXPECT_EQ(Drive().selectionAsked, c.code);
    }
}

}  // namespace
}  // namespace mendora::testing
