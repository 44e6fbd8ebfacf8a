// The Win32 backend with names the ANSI code page cannot spell, and the access lists that
// keep the work directory the program's own.
#include <gtest/gtest.h>

#include "platform/kernel/win32/WindowsHeader.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>

#include "archive/GzFile.h"
#include "devlib/FirmwareUpdate.h"
#include "platform/kernel/AccessList.h"
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"
#include "tests/TempDir.h"

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
    EXPECT_TRUE(files.SetArchiveOnly(folder + "/複本.txt"));
    EXPECT_TRUE(files.IsWritable(folder + "/複本.txt"));
    auto entries = files.List(folder);
    ASSERT_TRUE(entries);
    std::vector<std::string> names;
    for (const auto& e : *entries)
        if (!e.isDirectory) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"複本.txt", "許.txt"}));
    std::string scratch;
    EXPECT_TRUE(files.CreateScratch(folder + "/", "許", &scratch));
    EXPECT_EQ(scratch, folder + "/許1");
    EXPECT_TRUE(files.Delete(folder + "/複本.txt"));
    EXPECT_FALSE(files.Lookup(folder + "/複本.txt").exists);
    wchar_t current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    EXPECT_TRUE(files.SetCurrentDirectory(folder));
    SetCurrentDirectoryW(current);

    Win32ProfileReader profiles;
    ASSERT_TRUE(Write(files, folder + "/許.ini", "[Device]\r\nSelectDevice=QF70\r\n"));
    EXPECT_EQ(profiles.GetString(folder + "/許.ini", "Device", "SelectDevice", "", 64), "QF70");
    EXPECT_EQ(profiles.SectionNames(folder + "/許.ini", 64), std::vector<std::string>{"Device"});

    // The device library loads from there, and a gzip stream is written and read back.
    ASSERT_TRUE(files.CopyFile(MENDORA_QDLL_PATH, folder + "/QDLL.dll", nullptr));
    ModuleLoad load = LoadModuleFile(folder + "/QDLL.dll");
    EXPECT_TRUE(load.module) << load.errorText;
    GzFile out(files);
    ASSERT_TRUE(out.Open(folder + "/許.gz", GzFile::kWriting));
    ASSERT_TRUE(out.WriteText("boot code"));
    ASSERT_TRUE(out.Close());
    GzFile in(files);
    ASSERT_TRUE(in.Open(folder + "/許.gz", GzFile::kReading));
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    ASSERT_TRUE(in.ReadAll(&bytes, &size));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.get()), size), "boot code");
    ASSERT_TRUE(Write(files, folder + "/fw.bin", std::string(65536, 'f')));
    EXPECT_TRUE(devlib::LoadFirmwareImage(files, folder + "/fw.bin"));

    SetEnvironmentVariableW(L"MENDORA_TEST_TEXT", win32::Widen("許 修復").c_str());
    EXPECT_EQ(win32::EnvironmentText("MENDORA_TEST_TEXT"), "許 修復");
    SetEnvironmentVariableW(L"MENDORA_TEST_TEXT", nullptr);
    EXPECT_EQ(win32::EnvironmentText("MENDORA_TEST_TEXT"), std::nullopt);
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

    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone,
                                                                     nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(everyone, &present, &dacl, &defaulted);
    std::wstring native = win32::WidePath(work);
    ASSERT_EQ(SetNamedSecurityInfoW(native.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
                                    nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(everyone);
    const std::string problem = files.CheckPrivateDirectory(work);
    EXPECT_NE(problem.find("it is writable by "), std::string::npos) << problem;
    EXPECT_NE(problem.find("(S-1-1-0)"), std::string::npos) << problem;

    ASSERT_TRUE(Write(files, dir / "file", ""));
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "file"), "it is not a directory");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "none"), "it does not exist");
    // The temporary directory itself is the user's own and is not judged by its list.
    std::string temp = Win32TempRoot().Directory(&why);
    EXPECT_FALSE(temp.empty()) << why;
}

// The judgement read from descriptors built by the host itself, the way the check reads a
// directory's: entry layouts, object entries with their optional types, deny entries.
TEST(Win32PrivateDirectories, TheHostsOwnDescriptorsAreReadEntryByEntry) {
    const std::string user = "S-1-5-21-1-2-3-1001";
    auto judge = [&](const std::string& sddl, bool split) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(win32::Widen(sddl).c_str(), SDDL_REVISION_1,
                                                                  &descriptor, nullptr))
            return "cannot convert " + sddl;
        std::string verdict = JudgeDirectorySecurity(descriptor, user, split);
        LocalFree(descriptor);
        return verdict;
    };
    // What the program makes: the user of an elevated token may only read it.
    EXPECT_EQ(judge(PrivateDirectoryDescriptor(user, true), true), "");
    EXPECT_EQ(judge(PrivateDirectoryDescriptor(user, false), false), "");
    EXPECT_NE(judge(PrivateDirectoryDescriptor(user, false), true), "");
    // What a folder under the user's temporary directory inherits.
    const std::string inherited = "O:BAD:(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" + user + ")";
    EXPECT_EQ(judge(inherited, true), "it is writable by " + user + ", not by the administrators alone");
    EXPECT_EQ(judge(inherited, false), "");
    EXPECT_EQ(judge("O:" + user + "D:(A;;FA;;;BA)", true), "it belongs to " + user + ", not to the administrators");
    // Object entries carry their principal after the object types their flags say are
    // present; laid out by hand in the SDK's record (wine builds no object entries).
    auto objectEntry = [&](const GUID* type, const GUID* inherited) {
        alignas(DWORD) std::uint8_t aclBytes[256] = {};
        auto* acl = reinterpret_cast<ACL*>(aclBytes);
        auto* entry = reinterpret_cast<ACCESS_ALLOWED_OBJECT_ACE*>(aclBytes + sizeof(ACL));
        entry->Header.AceType = ACCESS_ALLOWED_OBJECT_ACE_TYPE;
        entry->Mask = FILE_ADD_FILE;
        std::uint8_t* at = reinterpret_cast<std::uint8_t*>(&entry->ObjectType);
        for (const GUID* guid : {type, inherited}) {
            if (!guid) continue;
            entry->Flags |= guid == type ? ACE_OBJECT_TYPE_PRESENT : ACE_INHERITED_OBJECT_TYPE_PRESENT;
            std::memcpy(at, guid, sizeof(GUID));
            at += sizeof(GUID);
        }
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        if (!InitializeSid(at, &world, 1)) return std::string("cannot build");
        *GetSidSubAuthority(at, 0) = SECURITY_WORLD_RID;
        at += GetLengthSid(at);
        entry->Header.AceSize = static_cast<WORD>(at - reinterpret_cast<std::uint8_t*>(entry));
        acl->AclRevision = ACL_REVISION_DS;
        acl->AclSize = static_cast<WORD>(at - aclBytes);
        acl->AceCount = 1;
        SECURITY_DESCRIPTOR descriptor{};
        PSID administrators = nullptr;
        std::string verdict = "cannot build";
        if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
            ConvertStringSidToSidW(L"S-1-5-32-544", &administrators) &&
            SetSecurityDescriptorOwner(&descriptor, administrators, FALSE))
            verdict = JudgeDirectorySecurity(&descriptor, user, true);
        if (administrators) LocalFree(administrators);
        return verdict;
    };
    const GUID one{0xbf967aba, 0x0de6, 0x11d0, {0xa2, 0x85, 0x00, 0xaa, 0x00, 0x30, 0x49, 0xe2}};
    const GUID two{0x4828cc14, 0x1437, 0x45bc, {0x9b, 0x07, 0xad, 0x6f, 0x01, 0x5e, 0x5f, 0x28}};
    for (auto [type, inherited] : {std::pair<const GUID*, const GUID*>{nullptr, nullptr}, {&one, nullptr},
                                   {nullptr, &two}, {&one, &two}}) {
        const std::string verdict = objectEntry(type, inherited);
        EXPECT_NE(verdict.find("(S-1-1-0)"), std::string::npos) << verdict;
    }
    EXPECT_EQ(judge("O:BAD:(D;OICI;FA;;;WD)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", true), "");
    EXPECT_EQ(judge("O:BA", true), "it has no access list, so everyone may write to it");
}

}  // namespace
}  // namespace mendora::platform
