#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/kernel/linux/LinuxFileSystem.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(LinuxFileSystem, CopyTruncatesInPlaceAndKeepsTheSourceMode) {
    testing::TempDir dir;
    LinuxFileSystem files;
    WriteBytes(dir / "src", "short");
    ::chmod((dir / "src").c_str(), 0750);
    WriteBytes(dir / "dst", "a much longer earlier content");
    ASSERT_TRUE(files.CopyFile(dir / "src", dir / "dst", nullptr));
    EXPECT_EQ(ReadBytes(dir / "dst"), "short");
    EXPECT_EQ(ModeOf(dir / "dst"), 0750u);
    FileError error;
    EXPECT_FALSE(files.CopyFile(dir / "missing", dir / "dst", &error));
    EXPECT_FALSE(error.inUse);
    EXPECT_EQ(error.text.rfind(dir / "missing: ", 0), 0u) << error.text;

    ::symlink((dir / "src").c_str(), (dir / "link").c_str());
    EXPECT_FALSE(files.CopyFile(dir / "dst", dir / "link", &error));  // never through a link
    EXPECT_EQ(error.text.rfind(dir / "link: ", 0), 0u) << error.text;
    EXPECT_FALSE(error.inUse);
}

// Only a program that runs keeps its file from being copied over, and the copy says so.
TEST(LinuxFileSystem, ACopyOntoARunningProgramFailsAsInUse) {
    testing::TempDir dir;
    LinuxFileSystem files;
    const std::string program = dir / "sleeper";
    ASSERT_TRUE(files.CopyFile("/bin/sleep", program, nullptr));
    char name[] = "sleeper", seconds[] = "30";
    char* arguments[] = {name, seconds, nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environ), 0);
    FileError error;
    bool copied = true;
    // Until the child has executed the file, it is not yet busy.
    for (int i = 0; i < 200 && copied; ++i) {
        copied = files.CopyFile("/bin/sleep", program, &error);
        if (copied) ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(copied);
    EXPECT_TRUE(error.inUse) << error.text;
    EXPECT_EQ(error.text.rfind(program + ": ", 0), 0u) << error.text;
}

TEST(LinuxFileSystem, ArchiveOnlyLeavesOwnerReadWriteAndExecuteOnExecutables) {
    testing::TempDir dir;
    LinuxFileSystem files;
    WriteBytes(dir / "data", "x");
    WriteBytes(dir / "prog", "x");
    ::chmod((dir / "data").c_str(), 0444);
    ::chmod((dir / "prog").c_str(), 04755);
    EXPECT_TRUE(files.SetArchiveOnly(dir / "data"));
    EXPECT_TRUE(files.SetArchiveOnly(dir / "prog"));
    EXPECT_EQ(ModeOf(dir / "data"), 0600u);
    EXPECT_EQ(ModeOf(dir / "prog"), 0700u);
    EXPECT_FALSE(files.SetArchiveOnly(dir / "missing"));
}

TEST(LinuxFileSystem, UnsharedOpensExcludeEachOtherAndSharedReadsDoNot) {
    testing::TempDir dir;
    LinuxFileSystem files;
    auto first = files.Open(dir / "f", OpenMode::CreateReadWrite);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Write("abc", 3), 3);
    EXPECT_FALSE(files.Open(dir / "f", OpenMode::ReadWriteExisting));
    EXPECT_TRUE(files.Open(dir / "f", OpenMode::ReadShared));
    first.reset();
    auto again = files.Open(dir / "f", OpenMode::ReadWriteExisting);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Length(), 3u);
    char byte = 0;
    EXPECT_TRUE(again->Seek(2));
    EXPECT_EQ(again->Read(&byte, 1), 1);
    EXPECT_EQ(byte, 'c');
    EXPECT_EQ(again->Read(&byte, 1), 0);
    EXPECT_FALSE(files.Open(dir / "missing", OpenMode::ReadWriteExisting));
}

TEST(LinuxFileSystem, ARefusedCreatingOpenLeavesTheHeldFileAsItWas) {
    testing::TempDir dir;
    LinuxFileSystem files;
    WriteBytes(dir / "f", "content of the holder");
    auto holder = files.Open(dir / "f", OpenMode::ReadWriteExisting);
    ASSERT_TRUE(holder);
    EXPECT_FALSE(files.Open(dir / "f", OpenMode::CreateWriteOnly));
    EXPECT_FALSE(files.Open(dir / "f", OpenMode::CreateReadWrite));
    EXPECT_EQ(ReadBytes(dir / "f"), "content of the holder");
    holder.reset();
    auto taken = files.Open(dir / "f", OpenMode::CreateWriteOnly);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->Length(), 0u);  // truncated once the lock is free
}

TEST(LinuxFileSystem, ScratchNamesAreTheFirstFreeOnesAndCreatedExclusively) {
    testing::TempDir dir;
    LinuxFileSystem files;
    WriteBytes(dir / "T1", "taken");
    std::string a, b;
    auto fa = files.CreateScratch(dir.Path() + "/", "T", &a);
    auto fb = files.CreateScratch(dir.Path() + "/", "T", &b);
    ASSERT_TRUE(fa && fb);
    EXPECT_EQ(a, dir / "T2");
    EXPECT_EQ(b, dir / "T3");
    EXPECT_EQ(ReadBytes(dir / "T1"), "taken");
    EXPECT_FALSE(files.CreateScratch(dir / "missing/", "T", &a));
}

TEST(LinuxFileSystem, PrivateDirectoryCheckNamesWhatIsWrong) {
    testing::TempDir dir;
    LinuxFileSystem files;
    ::mkdir((dir / "ok").c_str(), 0700);
    ::mkdir((dir / "open").c_str(), 0700);
    ::chmod((dir / "open").c_str(), 0777);
    ::symlink((dir / "ok").c_str(), (dir / "link").c_str());
    WriteBytes(dir / "file", "");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "ok"), "");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "open"), "other users may write to it");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "link"), "it is a symbolic link");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "file"), "it is not a directory");
    EXPECT_EQ(files.CheckPrivateDirectory(dir / "none"), "it does not exist");
    EXPECT_FALSE(files.Lookup(dir / "link").isDirectory);
    EXPECT_TRUE(files.Lookup(dir / "link").exists);
}

}  // namespace
}  // namespace mendora::platform
