// The Win32 backend with names the ANSI code page cannot spell, and the access lists that
// keep the work directory the program's own. (Loading the device library, unpacking and
// reading firmware from such a folder are run whole in EndToEndPathsTest.)
#include <gtest/gtest.h>

#include "platform/kernel/win32/WindowsHeader.h"

#include <sddl.h>

#include <algorithm>

#include "platform/kernel/AccessList.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"
#include "tests/TempDir.h"
#include "tests/windows/ProgramRun.h"

namespace mendora::platform {
namespace {

using testing::TempDir;

bool Write(FileSystem& files, const std::string& path, const std::string& bytes) {
    auto file = files.Open(path, OpenMode::CreateWriteOnly);
    return file && file->Write(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

std::string Read(FileSystem& files, const std::string& path) {
    auto file = files.Open(path, OpenMode::ReadShared);
    if (!file) return "<none>";
    std::string bytes(static_cast<std::size_t>(file->Length()), '\0');
    file->Read(bytes.data(), bytes.size());
    return bytes;
}

// "許" is B3 5C in code page 950: a name split at backslash bytes would break there.
TEST(Win32WidePaths, FilesFoldersAndListingsKeepEveryName) {
    TempDir dir;
    Win32FileSystem files;
    const std::string folder = dir / "修復";
    ASSERT_TRUE(files.CreateDirectory(folder));
    EXPECT_TRUE(files.Lookup(folder).isDirectory);
    ASSERT_TRUE(Write(files, folder + "/許.txt", "data"));
    EXPECT_EQ(files.SizeOf(folder + "/許.txt"), 4u);
    ASSERT_TRUE(files.CopyFile(folder + "/許.txt", folder + "/複本.txt", nullptr));
    EXPECT_EQ(Read(files, folder + "/複本.txt"), "data");
    auto entries = files.List(folder);
    ASSERT_TRUE(entries);
    std::vector<std::string> names;
    for (const auto& e : *entries)
        if (!e.isDirectory) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"複本.txt", "許.txt"}));
    EXPECT_TRUE(files.Delete(folder + "/複本.txt"));

    Win32ProfileReader profiles;
    ASSERT_TRUE(Write(files, folder + "/許.ini", "[Device]\r\nSelectDevice=QF70\r\n"));
    EXPECT_EQ(profiles.GetString(folder + "/許.ini", "Device", "SelectDevice", "", 64), "QF70");

    SetEnvironmentVariableW(L"MENDORA_TEST_TEXT", win32::Widen("許 修復").c_str());
    EXPECT_EQ(win32::EnvironmentText("MENDORA_TEST_TEXT"), "許 修復");
}

TEST(Win32WidePaths, AFailedCopySaysWhichFileAndWhetherAnotherProgramHoldsIt) {
    TempDir dir;
    Win32FileSystem files;
    ASSERT_TRUE(Write(files, dir / "source", "new"));
    ASSERT_TRUE(Write(files, dir / "許held", "old"));
    HANDLE held = CreateFileW(win32::WidePath(dir / "許held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileError error;
    EXPECT_FALSE(files.CopyFile(dir / "source", dir / "許held", &error));
    CloseHandle(held);
    EXPECT_TRUE(error.inUse) << error.text;
    EXPECT_EQ(error.text.rfind(dir / "許held: ", 0), 0u) << error.text;

    EXPECT_FALSE(files.CopyFile(dir / "修復/missing", dir / "target", &error));
    EXPECT_FALSE(error.inUse);
    EXPECT_EQ(error.text.rfind(dir / "修復/missing: ", 0), 0u) << error.text;
}

// Wine keeps no access list of its own on a file: it derives one from the Unix permissions
// (the user, SYSTEM, and Everyone for what others may do), and maps one set on a directory
// back onto them. What others may write to is refused as on Windows.
TEST(Win32PrivateDirectories, MadeForTheProgramAloneAndRefusedOnceOthersMayWrite) {
    TempDir dir;
    Win32FileSystem files;
    const std::string work = dir / "修復work";
    std::string why;
    ASSERT_TRUE(files.CreatePrivateDirectory(work, &why)) << why;
    EXPECT_EQ(files.CheckPrivateDirectory(work), "");
    EXPECT_FALSE(files.CreatePrivateDirectory(work, &why));
    EXPECT_FALSE(why.empty());
    ASSERT_TRUE(Write(files, work + "/QDLL.dll", "x"));

    ASSERT_TRUE(testing::OpenToEveryone(work));
    const std::string problem = files.CheckPrivateDirectory(work);
    EXPECT_NE(problem.find("it is writable by "), std::string::npos) << problem;
    EXPECT_NE(problem.find("(S-1-1-0)"), std::string::npos) << problem;

    ASSERT_TRUE(Write(files, dir / "file", ""));
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "file"), "it is not a directory");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "none"), "it does not exist");
}

// The judgement read from descriptors built by the host itself, the way the check reads a
// directory's.
TEST(Win32PrivateDirectories, TheHostsOwnDescriptorsAreReadEntryByEntry) {
    const std::string user = "S-1-5-21-1-2-3-1001";
    auto judge = [&](const std::string& sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(win32::Widen(sddl).c_str(), SDDL_REVISION_1,
                                                                  &descriptor, nullptr))
            return "cannot convert " + sddl;
        std::string verdict = JudgeDirectorySecurity(descriptor, user, true);
        LocalFree(descriptor);
        return verdict;
    };
    // What the program makes passes; what a folder under the temporary directory inherits does not.
    EXPECT_EQ(judge(PrivateDirectoryDescriptor(user, true)), "");
    const std::string inherited = "O:BAD:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + user + ")";
    EXPECT_EQ(judge(inherited), "it is writable by " + user + ", not by the administrators alone");
    EXPECT_EQ(judge("O:" + user + "D:(A;;FA;;;BA)"), "it belongs to " + user + ", not to the administrators");
    EXPECT_EQ(judge("O:BAD:(D;;FA;;;WD)(A;;FA;;;BA)"), "");
    EXPECT_EQ(judge("O:BA"), "it has no access list, so everyone may write to it");
}

}  // namespace
}  // namespace mendora::platform
