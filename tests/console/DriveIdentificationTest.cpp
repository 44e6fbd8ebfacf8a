// The identification the dialog, the station and mendora-revert share: which drives are
// refused and why, the order the library is asked in, and the re-plug rule.
#include "console/DriveIdentification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/ReplugRule.h"
#include "platform/kernel/fake/FakeServices.h"
#include "protocol/StringIds.h"

namespace mendora {
namespace {

TEST(DriveRefusal, ChipRulesComeBeforeTheAttributeAndTheSystemBoundOnlyAbove2600) {
    struct Case {
        std::uint16_t chip, version;
        std::uint32_t build;
        std::uint8_t attribute;
        std::uint16_t refusal;
    };
    const Case cases[] = {
        {0x0090, 0x01, 2600, 0x00, 0},
        {0x0070, 0x11, 6000, 0x00, 0},
        {0x0080, 0x01, 2600, 0x00, kUnsupportedString},
        {0x0080, 0x11, 6000, 0x20, kUnsupportedString},  // the chip speaks first
        {0x0050, 0x11, 2600, 0x00, 0},                   // 2600 itself passes
        {0x0050, 0x11, 2601, 0x00, kWrongSystemString},
        {0x0050, 0x11, 6000, 0x20, kWrongSystemString},
        {0x0050, 0x10, 6000, 0x00, 0},  // another revision of the chip
        {0x0051, 0x11, 6000, 0x00, 0},  // another chip of the revision
        {0x0050, 0x11, 0, 0x00, 0},     // a host that answers no build
        {0x0090, 0x01, 2600, 0x20, kDualChannelString},
        {0x0090, 0x01, 2600, 0xFF, kDualChannelString},
        {0x0090, 0x01, 2600, 0xDF, 0},  // every bit but dual channel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "chip " << c.chip << " v" << c.version << std::dec << " build "
                                        << c.build << " attribute " << int{c.attribute});
        DriveIdentification drive;
        drive.chip = {c.chip, c.version};
        drive.answers.attribute = c.attribute;
        EXPECT_EQ(Refusal(drive, c.build), c.refusal);
        const std::uint16_t chipFirst = ChipRefusal(drive.chip, c.build);
        EXPECT_EQ(chipFirst != 0 ? chipFirst : AttributeRefusal(c.attribute), c.refusal);
    }
}

TEST(DriveRefusal, OnlyAQf70WithFirmwareIsReplugged) {
    EXPECT_TRUE(NeedsReplug(0x0070, false));
    EXPECT_FALSE(NeedsReplug(0x0070, true));
    EXPECT_FALSE(NeedsReplug(0x0090, false));
    EXPECT_FALSE(NeedsReplug(0x0080, false));
}

// A library whose drive and answers the test sets, recording the entry points called.
struct ScriptedDrive {
    int exists = 1;
    int selects = 1;
    const char* version = "Q90110";
    std::vector<std::string> calls;
};
ScriptedDrive* gScriptedDrive = nullptr;

int ScriptedExist(QdllHandle) { return gScriptedDrive->calls.push_back("DeviceExist"), gScriptedDrive->exists; }
int ScriptedSelect(QdllHandle, int number) {
    gScriptedDrive->calls.push_back("SetCurrentDriveNumber " + std::to_string(number));
    return gScriptedDrive->selects;
}
int ScriptedDescription(QdllHandle, char* text) {
    gScriptedDrive->calls.push_back("GetDeviceString");
    std::strcpy(text, "QUORVANE USB Flash Disk QF90 64MB");
    return 1;
}
int ScriptedVersion(QdllHandle, char* version) {
    gScriptedDrive->calls.push_back("GetFwVersion");
    std::strcpy(version, gScriptedDrive->version);
    return 1;
}
int ScriptedChip(QdllHandle, std::uint16_t* id, std::uint16_t* version) {
    gScriptedDrive->calls.push_back("GetChipID");
    *id = 0x0050, *version = 0x11;
    return 1;
}
int ScriptedLetter(QdllHandle, int which, char* letter) {
    gScriptedDrive->calls.push_back("GetDriveLetter " + std::to_string(which));
    *letter = 'E';
    return 1;
}
int ScriptedDeviceAttrib(QdllHandle, std::uint8_t* flashId, std::uint8_t* model, std::uint8_t* attribute, std::uint8_t*,
                 std::uint8_t* chipCount) {
    gScriptedDrive->calls.push_back("GetDeviceAttrib");
    flashId[0] = 0xEC, *model = 0x50, *attribute = 0x20, *chipCount = 2;
    return 1;
}
int ScriptedFlashAttrib(QdllHandle, std::uint16_t* maxSectors, std::uint16_t*, std::uint16_t* maxBlocks, std::uint16_t*,
                std::uint8_t*, std::uint8_t*) {
    gScriptedDrive->calls.push_back("GetFlashAttrib");
    *maxSectors = 128, *maxBlocks = 1024;
    return 1;
}

class LibraryIdentification : public ::testing::Test {
protected:
    void SetUp() override {
        gScriptedDrive = &drive;
        loader.modules["QDLL"] = {
            {"QDLL_DeviceExist", reinterpret_cast<void*>(&ScriptedExist)},
            {"QDLL_SetCurrentDriveNumber", reinterpret_cast<void*>(&ScriptedSelect)},
            {"QDLL_GetDeviceString", reinterpret_cast<void*>(&ScriptedDescription)},
            {"QDLL_GetFwVersion", reinterpret_cast<void*>(&ScriptedVersion)},
            {"QDLL_GetChipID", reinterpret_cast<void*>(&ScriptedChip)},
            {"QDLL_GetDriveLetter", reinterpret_cast<void*>(&ScriptedLetter)},
            {"QDLL_GetDeviceAttrib", reinterpret_cast<void*>(&ScriptedDeviceAttrib)},
            {"QDLL_GetFlashAttrib", reinterpret_cast<void*>(&ScriptedFlashAttrib)},
        };
    }
    void TearDown() override { gScriptedDrive = nullptr; }

    ScriptedDrive drive;
    platform::FakeModuleLoader loader;
    DeviceLibrary library{loader, "QDLL"};
};

TEST_F(LibraryIdentification, AsksInTheDialogsOrderAndKeepsEveryAnswer) {
    const DriveIdentification found = IdentifyDrive(library, 7);
    EXPECT_EQ(drive.calls, (std::vector<std::string>{"DeviceExist", "SetCurrentDriveNumber 0", "GetDeviceString",
                                                     "GetFwVersion", "GetChipID", "GetDriveLetter 1",
                                                     "GetDeviceAttrib", "GetFlashAttrib"}));
    ASSERT_TRUE(found.Found());
    EXPECT_EQ(found.description.description, "QUORVANE USB Flash Disk QF90 64MB");
    EXPECT_EQ(found.description.VersionText(), "Q90110");
    EXPECT_FALSE(found.description.noFirmware);
    EXPECT_EQ(found.chip.id, 0x0050);
    EXPECT_EQ(found.chip.version, 0x11);
    EXPECT_EQ(found.answers.driveLetter, 'E');
    EXPECT_EQ(found.answers.chipCount, 2);
    EXPECT_EQ(found.answers.maxBlocks, 1024);
    // The chip refuses it on a later system before its dual channel does.
    EXPECT_EQ(Refusal(found, 2600), kDualChannelString);
    EXPECT_EQ(Refusal(found, 6000), kWrongSystemString);
}

TEST_F(LibraryIdentification, StopsAtAnAbsentOrUnselectableDriveAndSeesNoFirmware) {
    drive.exists = 0;
    EXPECT_FALSE(IdentifyDrive(library, 7).Found());
    EXPECT_EQ(drive.calls, std::vector<std::string>{"DeviceExist"});

    drive = {};
    drive.selects = 0;
    EXPECT_FALSE(IdentifyDrive(library, 7).Found());
    EXPECT_EQ(drive.calls.back(), "GetFwVersion");  // nothing asked of a drive not taken

    drive = {};
    drive.version = "FFFFFF  ";
    EXPECT_TRUE(IdentifyDrive(library, 7).description.noFirmware);
}

}  // namespace
}  // namespace mendora
