#include <gtest/gtest.h>

#include "tests/archive/ArchiveTestSupport.h"

namespace mendora::testing {
namespace {

using Op = platform::FakeFileSystem::Op;
using Answers = std::vector<int>;

class ExtractTest : public ::testing::Test, public ArchiveFixture {};

TEST_F(ExtractTest, EntriesLandInTheirDirectoriesAndScratchFilesGo) {
    std::string firmware(1052, '\x5A');
    std::string archive = Entry("A1\\ur.bin", Gzip(firmware)) + Entry("FP\\A2C\\us.bin", Gzip("us")) +
                          Entry("default.ini", Gzip("[x]")) + Entry("x", Gzip("one-byte name"));

    EXPECT_EQ(Extract(archive), (Answers{1, 1, 1, 1, 0}));
    EXPECT_EQ(ReadBytes(out + "A1/ur.bin"), firmware);
    EXPECT_EQ(ReadBytes(out + "FP/A2C/us.bin"), "us");
    EXPECT_EQ(ReadBytes(out + "default.ini"), "[x]");
    EXPECT_EQ(ReadBytes(out + "x"), "one-byte name");
    EXPECT_EQ(FilesBelow(dir.Path()),
              (std::vector<std::string>{"a.r", "out/A1/ur.bin", "out/FP/A2C/us.bin", "out/default.ini",
                                        "out/x"}));
    EXPECT_TRUE(fake.debug.Lines().empty());
}

TEST_F(ExtractTest, EmptyArchiveCreatesNothing) {
    EXPECT_EQ(Extract(""), (Answers{0}));
    EXPECT_FALSE(std::filesystem::exists(out));

    BootArchive closed(fake.kernel);
    EXPECT_EQ(closed.Rewind(), 0);
    EXPECT_EQ(closed.ExtractNext(), 0);
}

TEST_F(ExtractTest, ArchiveEndingInsideAnEntryEndsExtractionAndWritesNothingOfIt) {
    std::string first = Entry("first", Gzip("kept"));
    std::string cut = Entry("cut", Gzip("never written"));
    std::size_t nameAndSeparator = 3 + kEntrySeparator.size();

    for (std::size_t keep : {std::size_t{6}, nameAndSeparator + 2, cut.size() - 1}) {
        EXPECT_EQ(Extract(first + cut.substr(0, keep)), (Answers{1, 0})) << keep << " bytes kept";
        EXPECT_TRUE(endedInsideEntry);
    }
    EXPECT_EQ(Extract(first), (Answers{1, 0}));
    EXPECT_FALSE(endedInsideEntry);
    EXPECT_EQ(ReadBytes(out + "first"), "kept");
    EXPECT_EQ(FilesBelow(dir.Path()), (std::vector<std::string>{"a.r", "out/first"}));
}

TEST_F(ExtractTest, EmptyMembersGiveEmptyFilesOverEarlierContent) {
    std::filesystem::create_directories(out);
    WriteBytes(out + "zero-length", "old content");
    WriteBytes(out + "empty-stream", "old content");

    EXPECT_EQ(Extract(Entry("zero-length", "") + Entry("empty-stream", Gzip(""))), (Answers{1, 1, 0}));
    EXPECT_EQ(ReadBytes(out + "zero-length"), "");
    EXPECT_EQ(ReadBytes(out + "empty-stream"), "");
    EXPECT_TRUE(std::filesystem::exists(out + "zero-length"));
}

TEST_F(ExtractTest, ExtractingAgainReplacesNamedFilesAndLeavesOthers) {
    std::filesystem::create_directories(out + "A1");
    WriteBytes(out + "A1/ur.bin", std::string(5000, 'o'));
    WriteBytes(out + "A1/mine.txt", "mine");

    EXPECT_EQ(Extract(Entry("A1\\ur.bin", Gzip("new"))), (Answers{1, 0}));
    EXPECT_EQ(ReadBytes(out + "A1/ur.bin"), "new");
    EXPECT_EQ(ReadBytes(out + "A1/mine.txt"), "mine");
}

TEST_F(ExtractTest, NamesLeavingTheOutputDirectoryAreSkipped) {
    std::string member = Gzip("payload");
    std::vector<std::string> hostile = {"..\\evil", "\\rooted", "/rooted", "C:\\drive",
                                        "A1\\..\\..\\up", "A1/../../up", "A1\\..",
                                        std::string("nul\0x", 5)};
    std::string archive;
    for (const std::string& name : hostile) archive += Entry(name, member);
    archive += Entry("a..b\\..c", member);

    Answers expected(hostile.size() + 1, 1);
    expected.push_back(0);
    EXPECT_EQ(Extract(archive), expected);
    EXPECT_EQ(FilesBelow(dir.Path()), (std::vector<std::string>{"a.r", "out/a..b/..c"}));
    auto lines = fake.debug.Lines();
    ASSERT_EQ(lines.size(), hostile.size());
    EXPECT_NE(lines[0].find("..\\evil"), std::string::npos);
    EXPECT_NE(lines[3].find("C:\\drive"), std::string::npos);
}

TEST_F(ExtractTest, UnopenableDestinationIsReportedAndSkipped) {
    fake.files.Fail(Op::Open, out + "locked");
    EXPECT_EQ(Extract(Entry("locked", Gzip("a")) + Entry("next", Gzip("b"))), (Answers{1, 1, 0}));

    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, "Failed to open file to decompress");
    EXPECT_EQ(fake.messages.shown[0].caption, dir / "T1" + out + "locked");
    EXPECT_EQ(fake.messages.shown[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(FilesBelow(dir.Path()), (std::vector<std::string>{"a.r", "out/next"}));
}

TEST_F(ExtractTest, DestinationHeldElsewhereKeepsItsContent) {
    std::filesystem::create_directories(out);
    WriteBytes(out + "held", "held content");
    auto holder = fake.files.Open(out + "held", platform::OpenMode::ReadWriteExisting);
    ASSERT_TRUE(holder);

    EXPECT_EQ(Extract(Entry("held", Gzip("new"))), (Answers{1, 0}));
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text, "Failed to open file to decompress");
    holder.reset();  // an unshared file is read only once its holder lets go
    EXPECT_EQ(ReadBytes(out + "held"), "held content");
}

TEST_F(ExtractTest, DamagedMembersAreSkippedAndLeaveTheDestinationAlone) {
    std::string badCrc = Gzip("content");
    badCrc[badCrc.size() - 8] ^= 0x01;
    std::string cutStream = Gzip(std::string(4000, 'c') + "tail");
    cutStream.resize(cutStream.size() - 6);
    std::filesystem::create_directories(out);
    WriteBytes(out + "crc", "earlier");

    EXPECT_EQ(Extract(Entry("crc", badCrc) + Entry("cut", cutStream) + Entry("ok", Gzip("ok"))),
              (Answers{1, 1, 1, 0}));
    EXPECT_EQ(ReadBytes(out + "crc"), "earlier");
    EXPECT_EQ(FilesBelow(dir.Path()), (std::vector<std::string>{"a.r", "out/crc", "out/ok"}));
    EXPECT_EQ(fake.debug.Lines().size(), 2u);
}

TEST_F(ExtractTest, ScratchFailuresSkipTheEntryWithoutEndingExtraction) {
    std::string archive = Entry("one", Gzip("1")) + Entry("two", Gzip("2"));
    fake.files.Fail(Op::CreateScratch);
    EXPECT_EQ(Extract(archive), (Answers{1, 1, 0}));
    EXPECT_EQ(FilesBelow(dir.Path()), (std::vector<std::string>{"a.r"}));
    EXPECT_EQ(fake.debug.Lines().size(), 2u);

    ArchiveFixture other;
    other.fake.files.Fail(Op::Delete);
    EXPECT_EQ(other.Extract(Entry("one", other.Gzip("1"))), (Answers{1, 0}));
    EXPECT_EQ(ReadBytes(other.out + "one"), "1");
    ASSERT_EQ(other.fake.debug.Lines().size(), 1u);
    EXPECT_NE(other.fake.debug.Lines()[0].find(other.dir / "T1"), std::string::npos);
}

TEST_F(ExtractTest, UncreatableDirectoryEndsTheProcess) {
    fake.files.Fail(Op::CreateDirectory, out + "A1");
    try {
        Extract(Entry("A1\\ur.bin", Gzip("x")));
        FAIL() << "no fatal exit";
    } catch (const platform::FatalExitCalled& exit) {
        EXPECT_STREQ(exit.what(), "Couldn't create dir");
    }
    EXPECT_TRUE(std::filesystem::is_directory(out)) << "ancestors are made first";
}

}  // namespace
}  // namespace mendora::testing
