#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/archive/ArchiveTestSupport.h"
#include "tests/Environment.h"

namespace mendora::testing {
namespace {

class PackTest : public ::testing::Test, public ArchiveFixture {};

TEST_F(PackTest, OpenAppliesTheSuffixRuleAndNeedsAnExistingFileToRead) {
    BootArchive archive(fake.kernel);
    EXPECT_EQ(BootArchive::ArchivePath("a/BootCode.r \t\n"), "a/BootCode.r");
    EXPECT_EQ(BootArchive::ArchivePath("a/BootCode.R"), "a/BootCode.R.r");
    EXPECT_EQ(BootArchive::ArchivePath("a/BootCode"), "a/BootCode.r");

    EXPECT_EQ(archive.Open(dir / "Upper.R", true), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "Upper.R.r"));
    EXPECT_EQ(archive.Open(dir / "missing", false), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.r"));
    EXPECT_EQ(archive.ExtractNext(), 0) << "a failed open leaves it closed";
    EXPECT_EQ(archive.Close(), 1);
}

TEST_F(PackTest, AppendedEntriesHaveTheExactLayoutAndRefuseAmbiguousNames) {
    WriteBytes(dir / "member", "MEMBER");
    BootArchive archive(fake.kernel);
    ASSERT_EQ(archive.Open(archivePath, true), 1);
    EXPECT_EQ(archive.AppendEntry("FP\\us.bin", dir / "member"), 1);
    EXPECT_EQ(archive.AppendEntry("a \\~#$&* b", dir / "member"), 0);
    EXPECT_EQ(archive.AppendEntry("ends in \\~#$&*", dir / "member"), 0) << "a reader would stop early";
    EXPECT_EQ(archive.AppendEntry("", dir / "member"), 0);
    EXPECT_EQ(archive.AppendEntry("absent", dir / "absent"), 0);
    archive.Close();
    EXPECT_EQ(ReadBytes(archivePath), std::string("FP\\us.bin \\~#$&* \x06\x00\x00\x00MEMBER", 27));
}

TEST_F(PackTest, PackedEntriesListAndExtractBack) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"70\\q70s.bin", std::string(24576, '\x70')}, {"default.ini", std::string(278, 'd')}, {"e", ""}};
    BootArchive archive(fake.kernel);
    ASSERT_EQ(archive.Open(archivePath, true), 1);
    for (const auto& [name, content] : files) {
        WriteBytes(dir / "plain", content);
        ASSERT_EQ(CompressFile(fake.files, dir / "plain", dir / "packed"), 1);
        ASSERT_EQ(archive.AppendEntry(name, dir / "packed"), 1);
    }
    ASSERT_EQ(archive.Rewind(), 1);
    ArchiveEntry entry;
    for (const auto& [name, content] : files) {
        ASSERT_EQ(archive.ListNext(&entry), 1);
        EXPECT_EQ(entry.name, name);
        EXPECT_EQ(entry.contentSize, content.size());
    }
    EXPECT_EQ(archive.ListNext(&entry), 0);
    EXPECT_FALSE(archive.EndedInsideEntry());

    archive.outputDirectory = out;
    ASSERT_EQ(archive.Rewind(), 1);
    while (archive.ExtractNext() == 1) {
    }
    EXPECT_EQ(ReadBytes(out + "70/q70s.bin"), files[0].second);
    EXPECT_EQ(ReadBytes(out + "default.ini"), files[1].second);
    EXPECT_TRUE(std::filesystem::exists(out + "e"));
}

// The built tool, end to end: reproducible packing, listing, unpacking, exit codes.
TEST_F(PackTest, BootpackRoundTrip) {
    std::string tool = std::string(MENDORA_BIN_DIR) + "/bootpack";
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "bootpack is not built";
    auto run = [&](const std::string& arguments) {
        int status = std::system((tool + " " + arguments + " >" + (dir / "stdout") + " 2>/dev/null").c_str());
        return mendora::testing::ExitCodeOf(status);
    };
    std::filesystem::create_directories(dir / "src/FP/A2C");
    WriteBytes(dir / "src/FP/A2C/us.bin", std::string(65536, 'u'));
    WriteBytes(dir / "src/B", "b");
    WriteBytes(dir / "src/a", "");

    ASSERT_EQ(run("pack " + (dir / "src") + " " + (dir / "one")), 0);
    ASSERT_EQ(run("pack " + (dir / "src") + " " + (dir / "two.r")), 0);
    EXPECT_EQ(ReadBytes(dir / "one.r"), ReadBytes(dir / "two.r"));
    EXPECT_EQ(run("list " + (dir / "one.r")), 0);
    EXPECT_EQ(ReadBytes(dir / "stdout"), "B\t1\nFP\\A2C\\us.bin\t65536\na\t0\n");
    EXPECT_EQ(run("unpack " + (dir / "one.r") + " " + (dir / "back")), 0);
    EXPECT_EQ(FilesBelow(dir / "back"), (std::vector<std::string>{"B", "FP/A2C/us.bin", "a"}));
    EXPECT_EQ(ReadBytes(dir / "back/FP/A2C/us.bin"), std::string(65536, 'u'));

    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("pack " + (dir / "src")), 2);
    EXPECT_EQ(run("--bogus"), 2);
    EXPECT_EQ(run("list " + (dir / "absent.r")), 1);
    WriteBytes(dir / "cut.r", ReadBytes(dir / "one.r").substr(0, 40));
    EXPECT_EQ(run("unpack " + (dir / "cut.r") + " " + (dir / "cut")), 1);
}

// The built tool as a user runs it on the host's own shell, paths in the host's spelling.
int Bootpack(const std::string& arguments) {
#if defined(_WIN32)
    std::string tool = std::string(MENDORA_BIN_DIR) + "/bootpack.exe";
    std::replace(tool.begin(), tool.end(), '/', '\\');
    return ExitCodeOf(std::system(("\"\"" + tool + "\" " + arguments + " >NUL 2>&1\"").c_str()));
#else
    const std::string tool = std::string(MENDORA_BIN_DIR) + "/bootpack";
    return ExitCodeOf(std::system((tool + " " + arguments + " >/dev/null 2>&1").c_str()));
#endif
}

std::string Native(std::string path) {
#if defined(_WIN32)
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return "\"" + path + "\"";
}

// An archive named with ".R" is that file, not one with ".r" appended; unpacking into a
// folder whose parents do not exist makes them all.
TEST_F(PackTest, BootpackTakesAnUpperCaseSuffixAndMakesANestedDestination) {
    std::filesystem::create_directories(dir / "src/FP");
    WriteBytes(dir / "src/FP/us.bin", "u");
    ASSERT_EQ(Bootpack("pack " + Native(dir / "src") + " " + Native(dir / "one.R")), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "one.R"));
    EXPECT_FALSE(std::filesystem::exists(dir / "one.R.r"));
    std::filesystem::copy_file(dir / "one.R", dir / "two.R");
    EXPECT_EQ(Bootpack("list " + Native(dir / "two.R")), 0);
    EXPECT_EQ(Bootpack("unpack " + Native(dir / "two.R") + " " + Native(dir / "dst/x")), 0);
    EXPECT_EQ(ReadBytes(dir / "dst/x/FP/us.bin"), "u");
    // An archive without entries still makes its destination.
    WriteBytes(dir / "empty.r", "");
    EXPECT_EQ(Bootpack("unpack " + Native(dir / "empty") + " " + Native(dir / "new/deeper/still")), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "new/deeper/still"));
}

}  // namespace
}  // namespace mendora::testing
