#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace mendora::testing
