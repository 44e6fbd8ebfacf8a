// The image lock on Windows: a word in shared memory rather than a file lock, so it must
// still exclude every other opener and must not stay held by a thread that is gone.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/ImageFile.h"

namespace mendora::vdrive {
namespace {

TEST(Win32ImageLock, OpenersOfOneImageExcludeEachOtherAndAHolderThatEndedReleasesIt) {
    testing::TempDir dir;
    std::string error;
    auto created = ImageFile::Create(dir / "a.img", testing::SmallSetup(), &error);
    ASSERT_TRUE(created) << error;
    auto other = ImageFile::Open(dir / "a.img", &error);
    ASSERT_TRUE(other) << error;

    ASSERT_TRUE(created->Lock(&error)) << error;
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        std::string why;
        if (other->Lock(&why)) {
            got = true;
            other->Unlock();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(got);  // held by the first opener
    created->Unlock();
    waiter.join();
    EXPECT_TRUE(got);

    // A thread that ends holding the lock does not keep the others out for ever.
    std::thread([&] { ASSERT_TRUE(created->Lock(&error)); }).join();
    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(other->Lock(&error)) << error;
    other->Unlock();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

}  // namespace
}  // namespace mendora::vdrive
