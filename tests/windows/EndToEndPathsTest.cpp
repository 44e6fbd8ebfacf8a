// Whole repairs by the built Windows program under wine where its paths hold characters the
// ANSI code page cannot spell or spells with a backslash byte, and a work folder others may
// write to. Run under two locales (see CMakeLists.txt): a Western one, whose ANSI code page
// has no Chinese characters, and Traditional Chinese (code page 950), where the second byte
// of "許" is 0x5C.
#include <gtest/gtest.h>

#include "tests/TempDir.h"
#include "tests/windows/ProgramRun.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

using testing::Contains;
using testing::ReadText;
using testing::ScopedVariable;

constexpr const char* kRepairComplete = "[Mendora] Repair complete, Please un-plug device";
constexpr const char* kRepairCompleteChinese = "[Mendora] 裝置修復成功，請重新插拔裝置";

// Whether the ANSI code page spells the text without replacing a character.
bool AnsiSpells(const std::string& text) {
    std::wstring wide = platform::win32::Widen(text);
    BOOL replaced = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, &replaced);
    return !replaced;
}

std::string AnsiBytes(const std::string& text) {
    std::wstring wide = platform::win32::Widen(text);
    char bytes[16] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), bytes, sizeof bytes, nullptr,
                                nullptr);
    return std::string(bytes, n > 0 ? n : 0);
}

// A virtual QF90 drive with planted faults, in the test's own (plain) folder.
class PathsRepair : public ::testing::Test {
protected:
    void SetUp() override {
        image = root / "drive.img";
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.plantings.factoryBad = 3;
        setup.plantings.weak = 2;
        std::string error;
        ASSERT_TRUE(vdrive::VirtualDrive::Create(image, setup, &error)) << error;
    }

    // Runs the program with the temporary folder at `temp` until the repair is complete,
    // then checks the drive.
    void RepairWith(const std::string& program, const std::string& temp, const std::string& completion) {
        platform::Win32FileSystem files;
        ASSERT_TRUE(files.Lookup(temp).isDirectory || files.CreateDirectory(temp)) << temp;
        ScopedVariable tmp("TMP", platform::win32::NativePath(temp));
        ScopedVariable tempVariable("TEMP", platform::win32::NativePath(temp));
        ScopedVariable ui("MENDORA_UI", "tty");
        ScopedVariable yes("MENDORA_ASSUME_YES", "1");
        ScopedVariable drives("MENDORA_VDRIVE", image);
        ScopedVariable debug("MENDORA_DEBUG", root / "debug.log");
        const std::string out = root / "out.txt";
        EXPECT_EQ(testing::RunProgram(program, {}, {}, out), 0) << ReadText(out);
        ASSERT_TRUE(testing::WaitForText(out, completion)) << ReadText(out);
        const std::string work = temp + "/UfdApp";
        ASSERT_TRUE(testing::WaitUntilEnded(work + "/Mendrix.exe"));
        for (const char* name : {"QDLL.dll", "Device.ini", "Boot", "RevertBoot"})
            EXPECT_TRUE(files.Lookup(work + "/" + name).exists) << name;
        const std::string debugText = ReadText(root / "debug.log");
        for (const char* line : {"Revert EraseAll OK", "REVERT FINISHED", "ErrCode=0x0"})
            EXPECT_TRUE(Contains(debugText, line)) << line << "\n" << debugText;

        std::string error;
        auto drive = vdrive::VirtualDrive::Open(image, &error);
        ASSERT_TRUE(drive) << error;
        auto info = drive->Info(&error);
        ASSERT_TRUE(info) << error;
        EXPECT_TRUE(info->diskReady);
        EXPECT_EQ(info->identity.firmwareVersion.value_or(""), "Q90120");
    }

    testing::TempDir root;
    std::string image;
};

// Started from a folder whose name the ANSI code page turns into "?": the program finds
// its own file, copies itself and repairs.
TEST_F(PathsRepair, FromAFolderTheAnsiCodePageCannotSpell) {
    const std::string folder = root / "修復";
    ASSERT_FALSE(AnsiSpells(folder)) << "the ANSI code page " << GetACP() << " spells " << folder;
    platform::Win32FileSystem files;
    ASSERT_TRUE(files.CreateDirectory(folder));
    ASSERT_TRUE(files.CopyFile(std::string(MENDORA_BIN_DIR) + "/mendora-testbuild.exe", folder + "/mendora.exe", nullptr));
    ScopedVariable language("LANG", "C");
    RepairWith(folder + "/mendora.exe", root / "tmp", kRepairComplete);
}

// A temporary folder whose name the code page spells with a backslash as its second byte:
// the work folder, the device library, the unpacked boot code and the firmware all lie there.
TEST_F(PathsRepair, InATemporaryFolderWhoseNameHoldsABackslashByte) {
    ASSERT_EQ(GetACP(), 950u) << "run under LANG=zh_TW.UTF-8";
    ASSERT_EQ(AnsiBytes("許"), "\xB3\x5C");
    RepairWith(std::string(MENDORA_BIN_DIR) + "/mendora-testbuild.exe", root / "許temp", kRepairCompleteChinese);
}

// A work folder others may write to is refused, with the reason, and nothing goes into it.
TEST_F(PathsRepair, AWorkFolderOthersMayWriteToIsRefusedWithAMessage) {
    platform::Win32FileSystem files;
    const std::string temp = root / "open";
    const std::string work = temp + "/UfdApp";
    ASSERT_TRUE(files.CreateDirectory(temp));
    ASSERT_TRUE(files.CreateDirectory(work));
    ASSERT_TRUE(testing::OpenToEveryone(work));

    ScopedVariable tmp("TMP", platform::win32::NativePath(temp));
    ScopedVariable tempVariable("TEMP", platform::win32::NativePath(temp));
    ScopedVariable ui("MENDORA_UI", "tty");
    ScopedVariable yes("MENDORA_ASSUME_YES", "1");
    ScopedVariable language("LANG", "C");
    const std::string out = root / "out.txt";
    EXPECT_EQ(testing::RunProgram(std::string(MENDORA_BIN_DIR) + "/mendora-testbuild.exe", {}, {}, out), 2);
    const std::string text = ReadText(out);
    EXPECT_TRUE(Contains(text, "cannot be used: it is writable by ")) << text;
    EXPECT_TRUE(Contains(text, "(S-1-1-0), not by the administrators alone. Nothing was copied or started.")) << text;
    EXPECT_FALSE(files.Lookup(work + "/Mendrix.exe").exists);
}

}  // namespace
}  // namespace mendora
