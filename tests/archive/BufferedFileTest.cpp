#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "platform/kernel/BufferedFile.h"
#include "platform/kernel/NativeKernel.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::testing {
namespace {

// Mixed reads, writes and seeks through a tiny buffer must leave the same bytes, and
// read back the same bytes, as a plain string would.
TEST(BufferedFileTest, BehavesLikeTheFileBehindIt) {
    TempDir dir;
    platform::NativeFileSystem files;
    std::string path = dir / "f";
    auto owned = std::make_unique<platform::BufferedFile>(files.Open(path, platform::OpenMode::CreateReadWrite), 8);
    platform::BufferedFile& file = *owned;
    std::string model;
    std::size_t at = 0;
    std::mt19937 random(7);

    for (int step = 0; step < 2000; ++step) {
        std::size_t count = random() % 20;
        switch (random() % 3) {
            case 0: {
                std::string bytes(count, static_cast<char>('a' + step % 26));
                ASSERT_EQ(file.Write(bytes.data(), count), static_cast<long>(count));
                if (model.size() < at + count) model.resize(at + count);
                model.replace(at, count, bytes);
                at += count;
                break;
            }
            case 1: {
                std::string got(count, '\0');
                long n = file.Read(got.data(), count);
                std::size_t expected = at < model.size() ? std::min(count, model.size() - at) : 0;
                ASSERT_EQ(n, static_cast<long>(expected)) << "step " << step;
                ASSERT_EQ(got.substr(0, expected), model.substr(at, expected)) << "step " << step;
                at += expected;
                break;
            }
            default:
                at = random() % (model.size() + 1);
                ASSERT_TRUE(file.Seek(at));
        }
        ASSERT_EQ(file.Position(), at);
        ASSERT_EQ(file.Length(), model.size());
    }
    ASSERT_TRUE(file.Flush());
    owned.reset();  // an unshared file cannot be read by another opener while it is open
    EXPECT_EQ(ReadBytes(path), model);
}

}  // namespace
}  // namespace mendora::testing
