// The Win32 host services, under wine or on Windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/kernel/CaseFolding.h"
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

using testing::TempDir;

TEST(Win32Files, ArchiveAloneCopiesOverwriteAndUnsharedOpensExcludeEachOther) {
    TempDir dir;
    Win32FileSystem files;
    testing::WriteBytes(dir / "a", "new");
    testing::WriteBytes(dir / "b", "older and longer");
    // Read-only: what the runtime's chmod does on Windows.
    std::filesystem::permissions(dir / "b", std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                std::filesystem::perms::others_read);
    EXPECT_FALSE(files.IsWritable(dir / "b"));
    // A read-only target can be replaced once it carries the archive attribute alone.
    ASSERT_TRUE(files.SetArchiveOnly(dir / "b"));
    EXPECT_TRUE(files.IsWritable(dir / "b"));
    ASSERT_TRUE(files.CopyFile(dir / "a", dir / "b", nullptr));
    EXPECT_EQ(testing::ReadBytes(dir / "b"), "new");
    EXPECT_FALSE(files.SetArchiveOnly(dir.Path()));  // directories keep theirs

    auto held = files.Open(dir / "a", OpenMode::ReadWriteExisting);
    ASSERT_TRUE(held);
    EXPECT_FALSE(files.Open(dir / "a", OpenMode::ReadWriteExisting));
    EXPECT_FALSE(files.Open(dir / "a", OpenMode::CreateWriteOnly));  // and it is not emptied
    held.reset();
    EXPECT_EQ(testing::ReadBytes(dir / "a"), "new");
    auto created = files.Open(dir / "a", OpenMode::CreateReadWrite);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Length(), 0u);
    EXPECT_EQ(created->Write("0123456789", 10), 10);
    ASSERT_TRUE(created->Seek(4));
    char four[4];
    EXPECT_EQ(created->Read(four, 4), 4);
    EXPECT_EQ(std::string(four, 4), "4567");
    EXPECT_EQ(created->Position(), 8u);
}

TEST(Win32Files, LookupListingScratchNamesAndLetterCase) {
    TempDir dir;
    Win32FileSystem files;
    ASSERT_TRUE(files.CreateDirectory(dir / "Sub"));
    EXPECT_FALSE(files.CreateDirectory(dir / "Sub"));
    EXPECT_TRUE(files.Lookup(dir / "sub").isDirectory);  // NTFS and FAT fold case
    EXPECT_FALSE(files.Lookup(dir / "none").exists);
    std::string first, second;
    auto one = files.CreateScratch(dir.Path() + "/", "TMP", &first);
    auto two = files.CreateScratch(dir.Path() + "/", "TMP", &second);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(first, dir / "TMP1");
    EXPECT_EQ(second, dir / "TMP2");
    EXPECT_EQ(files.SizeOf(first), 0u);
    auto entries = files.List(dir.Path());
    ASSERT_TRUE(entries);
    int directories = 0, plain = 0;
    for (const auto& e : *entries) (e.isDirectory ? directories : plain)++;
    EXPECT_EQ(directories, 3);  // ".", ".." and Sub
    EXPECT_EQ(plain, 2);
    EXPECT_TRUE(files.SameSpelling("C:/Users/X/Temp/UfdApp", "c:/users/x/temp/ufdapp"));
    EXPECT_FALSE(files.List(dir / "none"));
}

TEST(Win32Process, PathsUseSlashesAndTheTemporaryDirectoryIsLongAndEndsWithOne) {
    Win32ProcessHost process;
    std::string exe = process.ExecutablePath();
    EXPECT_EQ(exe.find('\\'), std::string::npos) << exe;
    EXPECT_TRUE(EqualIgnoringCase(exe.substr(exe.size() - 4), ".exe")) << exe;
    std::string why;
    std::string temp = Win32TempRoot().Directory(&why);
    ASSERT_FALSE(temp.empty()) << why;
    EXPECT_EQ(temp.back(), '/');
    EXPECT_EQ(temp.find('\\'), std::string::npos);
    EXPECT_EQ(temp.find('~'), std::string::npos) << "a short 8.3 spelling: " << temp;
}

TEST(Win32Process, NamedMutexesAreHeldUntilTheProcessEnds) {
    Win32NamedMutexes mutexes;
    std::string name = "MendoraTest" + std::to_string(Win32Clock().TickCount());
    EXPECT_EQ(mutexes.Create(name), MutexClaim::Created);
    EXPECT_EQ(mutexes.Create(name), MutexClaim::AlreadyExists);
    EXPECT_EQ(Win32NamedMutexes().Create(name), MutexClaim::AlreadyExists);
}

TEST(Win32Process, VersionRecordsAndTheAdministratorTest) {
    auto real = Win32VersionQuery().Query(VersionRecord::Extended);
    ASSERT_TRUE(real);
    EXPECT_EQ(real->platformId, 2u);  // NT
    EXPECT_GE(real->majorVersion, 5u);
    auto basic = Win32VersionQuery().Query(VersionRecord::Basic);
    ASSERT_TRUE(basic);
    EXPECT_EQ(basic->buildNumber, real->buildNumber);
    EXPECT_EQ(Win32VersionQuery(2195).Query(VersionRecord::Extended)->buildNumber, 2195u);
    EXPECT_TRUE(Win32AdminRights().IsAdministrator().has_value());
}

TEST(Win32Settings, ProfilesReadLikeTheHostsOwnFunctions) {
    TempDir dir;
    testing::WriteBytes(dir / "s.ini",
                        "[First]\r\nName=Alpha\r\nCount=-42xyz\r\nNothing=\r\n[second]\r\nCount=+7\r\n"
                        "Big=99999999999\r\n[First]\r\nName=Late\r\n");
    Win32ProfileReader profiles;
    std::string path = dir / "s.ini";
    EXPECT_EQ(profiles.SectionNames(path, 4096), (std::vector<std::string>{"First", "second"}));
    EXPECT_EQ(profiles.SectionNames(path, 8), (std::vector<std::string>{"First"}));
    EXPECT_EQ(profiles.GetString(path, "first", "NAME", "-", 64), "Alpha");
    EXPECT_EQ(profiles.GetString(path, "First", "Name", "-", 4), "Alp");
    EXPECT_EQ(profiles.GetString(path, "First", "Missing", "fallback", 64), "fallback");
    EXPECT_EQ(profiles.GetString(dir / "none.ini", "First", "Name", "fallback", 64), "fallback");
    EXPECT_EQ(profiles.GetInt(path, "First", "Count", 5), -42);
    EXPECT_EQ(profiles.GetInt(path, "Second", "Count", 5), 7);
    EXPECT_EQ(profiles.GetInt(path, "Second", "Big", 5), 2147483647);
    EXPECT_EQ(profiles.GetInt(path, "First", "Nothing", 5), 0);
    EXPECT_EQ(profiles.GetInt(path, "First", "Missing", 5), 5);
}

TEST(Win32Settings, RegistryDwordsUnderTheCurrentUser) {
    const std::string key = "software\\MendoraTest" + std::to_string(Win32Clock().TickCount());
    auto reg = [&](const std::string& arguments) {
        return std::system(("reg " + arguments + " >NUL 2>&1").c_str());
    };
    ASSERT_EQ(reg("add \"HKCU\\" + key + "\" /v TestStartBlock /t REG_DWORD /d 100 /f"), 0);
    ASSERT_EQ(reg("add \"HKCU\\" + key + "\" /v Text /t REG_SZ /d 100 /f"), 0);
    Win32Registry registry;
    EXPECT_EQ(registry.ReadDword(key, "teststartblock"), 100u);
    EXPECT_EQ(registry.ReadDword(key, "Text"), std::nullopt);
    EXPECT_EQ(registry.ReadDword(key, "Missing"), std::nullopt);
    EXPECT_EQ(registry.ReadDword(key + "\\none", "TestStartBlock"), std::nullopt);
    reg("delete \"HKCU\\" + key + "\" /f");
}

TEST(Win32Modules, TheDeviceLibraryIsARealDllWithItsEntryPointsNamedExactly) {
    ModuleLoad load = LoadModuleFile(MENDORA_QDLL_PATH);
    ASSERT_TRUE(load.module) << load.errorText;
    EXPECT_NE(load.module->Symbol("QDLL_CreateCUSBDevice"), nullptr);
    EXPECT_NE(load.module->Symbol("QDLL_GetBADBlockInfomation"), nullptr);
    EXPECT_EQ(load.module->Symbol("_QDLL_GetChipID@12"), nullptr);
    EXPECT_EQ(load.module->Symbol("_ZN7mendora6devlib11DeviceTable8InstanceEv"), nullptr);
    ModuleLoad missing = LoadModuleFile("Z:/nowhere/QDLL.dll");
    EXPECT_FALSE(missing.module);
    EXPECT_EQ(missing.errorCode, 126u);  // ERROR_MOD_NOT_FOUND
}

}  // namespace
}  // namespace mendora::platform
