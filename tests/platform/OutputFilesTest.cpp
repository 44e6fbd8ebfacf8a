// Output files on Linux: never through a link, and in a directory others can write to only
// a new file or one of ours alone.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/kernel/OutputFiles.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

bool Writes(const std::string& path, const std::string& text) {
    std::string error;
    auto file = CreateOutputFile(path, &error);
    return file && file->Write(text.data(), text.size()) == static_cast<long>(text.size());
}

// A link to nothing yet: following it would make a file wherever it points.
TEST(OutputFiles, NeverFollowALink) {
    TempDir dir;
    std::filesystem::create_symlink(dir / "nowhere", dir / "report.json");
    EXPECT_EQ(CheckOutputFile(dir / "report.json"), "it is a symbolic link");
    std::string error;
    EXPECT_EQ(CreateOutputFile(dir / "report.json", &error), nullptr);
    EXPECT_EQ(error, "it is a symbolic link");
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
    // "maps/" resolves a link named maps; it is refused all the same.
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "maps");
    EXPECT_EQ(PrepareOutputDirectory(dir / "maps/"), "it is a symbolic link");
}

TEST(OutputFiles, ReplaceOnlyOurOwnFilesWhereOthersCanWrite) {
    TempDir dir;
    const std::string shared = dir / "tmp";
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);  // as /tmp
    EXPECT_TRUE(Writes(shared + "/new.json", "first"));
    EXPECT_EQ(CheckOutputFile(shared + "/new.json"), "");
    EXPECT_TRUE(Writes(shared + "/new.json", "2nd"));
    EXPECT_EQ(ReadBytes(shared + "/new.json"), "2nd");

    // A second name of a file elsewhere: whoever made it could have made it for us to fill.
    WriteBytes(dir / "elsewhere", "keep");
    std::filesystem::create_hard_link(dir / "elsewhere", shared + "/linked.json");
    EXPECT_NE(CheckOutputFile(shared + "/linked.json"), "");
    EXPECT_FALSE(Writes(shared + "/linked.json", "x"));
    EXPECT_EQ(ReadBytes(dir / "elsewhere"), "keep");

    // Where only we can write, every file there is ours to replace.
    std::filesystem::create_hard_link(dir / "elsewhere", dir / "mine.json");
    EXPECT_TRUE(Writes(dir / "mine.json", "new"));

    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "another user's file needs root";
    WriteBytes(shared + "/theirs.json", "theirs");
    ASSERT_EQ(::chown((shared + "/theirs.json").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_EQ(CheckOutputFile(shared + "/theirs.json"),
              "it is a file this user did not make, in a directory other users can write to");
    EXPECT_FALSE(Writes(shared + "/theirs.json", "x"));
    EXPECT_EQ(ReadBytes(shared + "/theirs.json"), "theirs");
    // A directory of another user's counts as one others can write to.
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    ASSERT_EQ(::chown(shared.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_NE(CheckOutputFile(shared + "/theirs.json"), "");
}

TEST(OutputFiles, CheckWithoutMakingAndWriteDevicesAsTheyAre) {
    TempDir dir;
    EXPECT_EQ(CheckOutputFile(dir / "new.json"), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.json"));
    WriteBytes(dir / "file", "x");
    EXPECT_EQ(CheckOutputFile(dir / "file/report.json"), dir / "file" + " is not a directory");
    EXPECT_EQ(PrepareOutputDirectory(dir / "a/b"), "its parent directory does not exist");
    EXPECT_EQ(PrepareOutputDirectory(dir / "maps"), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "maps"));

    // A full device fails the write, not the open.
    std::string error;
    auto full = CreateOutputFile("/dev/full", &error);
    ASSERT_NE(full, nullptr) << error;
    EXPECT_EQ(full->Write("x", 1), -1);
}

}  // namespace
}  // namespace mendora::platform
