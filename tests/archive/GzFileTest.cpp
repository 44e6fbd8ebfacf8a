#include <gtest/gtest.h>

#include "archive/GzFile.h"
#include "tests/archive/ArchiveTestSupport.h"

namespace mendora::testing {
namespace {

class GzFileTest : public ::testing::Test, public ArchiveFixture {};

TEST_F(GzFileTest, WrittenStreamsCarryTheMemberHeader) {
    const std::string header("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x0B", 10);
    std::string hello = Gzip("hello");
    EXPECT_EQ(hello.substr(0, 10), header);
    // CRC-32 of "hello", then its size, both little-endian.
    EXPECT_EQ(hello.substr(hello.size() - 8), std::string("\x86\xA6\x10\x36\x05\x00\x00\x00", 8));
    EXPECT_EQ(Gzip(""), header + std::string("\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00", 10));
}

TEST_F(GzFileTest, ReadAllJoinsPiecesLargerThanTheCompressedFile) {
    std::string content;
    for (int i = 0; content.size() < 200000; ++i) content += "block " + std::to_string(i % 7) + "\n";
    std::string path = dir / "member.gz";
    WriteBytes(path, Gzip(content));
    ASSERT_LT(ReadBytes(path).size() * 50, content.size()) << "needs many pieces";

    GzFile gz(fake.files);
    ASSERT_TRUE(gz.Open(path, GzFile::kReading));
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t size = 0;
    EXPECT_TRUE(gz.ReadAll(&buffer, &size));
    EXPECT_FALSE(gz.ReadFailed());
    ASSERT_EQ(size, content.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.get()), size), content);
    EXPECT_TRUE(gz.Close());
    EXPECT_FALSE(gz.IsOpen());
}

TEST_F(GzFileTest, OperationsRespectTheMode) {
    GzFile gz(fake.files);
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t size = 7;
    char byte;
    EXPECT_FALSE(gz.Open(dir / "missing", GzFile::kReading));
    EXPECT_FALSE(gz.IsOpen());
    EXPECT_FALSE(gz.Close());

    ASSERT_TRUE(gz.Open(dir / "w.gz", GzFile::kWriting));
    EXPECT_FALSE(gz.Open(dir / "w.gz", GzFile::kWriting)) << "already open";
    EXPECT_EQ(gz.Read(&byte, 1), 0);
    EXPECT_FALSE(gz.ReadAll(&buffer, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(gz.WriteText("text"));
    EXPECT_TRUE(gz.Close());

    ASSERT_TRUE(gz.Open(dir / "w.gz", GzFile::kReading));
    EXPECT_FALSE(gz.Write("x", 1));
    EXPECT_FALSE(gz.ApplyParameters());
    EXPECT_EQ(gz.Read(&byte, 1), 1);
    EXPECT_EQ(byte, 't');
}

}  // namespace
}  // namespace mendora::testing
