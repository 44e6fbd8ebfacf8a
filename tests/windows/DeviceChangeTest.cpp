// Device changes on Windows: the virtual drives' plugging seen through ReadDirectoryChangesW
// on the watcher's own thread, next to its WM_DEVICECHANGE window.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/scsi/win32/Win32Scsi.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::platform {
namespace {

struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint32_t> events;

    bool WaitFor(std::size_t count) {
        std::unique_lock<std::mutex> hold(mutex);
        return changed.wait_for(hold, std::chrono::seconds(10), [&] { return events.size() >= count; });
    }
};

TEST(Win32DeviceChanges, UnpluggingAndPluggingAnImageAreRemovalAndArrival) {
    testing::TempDir dir;
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(dir / "a.img", testing::SmallSetup(), &error);
    ASSERT_TRUE(drive) << error;
    testing::WriteBytes(dir / "unrelated", "x");  // other files in the folder are no event

    Heard heard;
    Win32DeviceChangeWatcher watcher({dir / "a.img"});
    ASSERT_TRUE(watcher.Start([&](std::uint32_t event) {
        std::lock_guard<std::mutex> hold(heard.mutex);
        heard.events.push_back(event);
        heard.changed.notify_all();
    }));
    testing::WriteBytes(dir / "unrelated", "y");
    ASSERT_TRUE(drive->SetPlugged(false, &error)) << error;
    ASSERT_TRUE(heard.WaitFor(1));
    ASSERT_TRUE(drive->SetPlugged(true, &error)) << error;
    ASSERT_TRUE(heard.WaitFor(2));
    watcher.Stop();
    std::lock_guard<std::mutex> hold(heard.mutex);
    EXPECT_EQ(heard.events, (std::vector<std::uint32_t>{kDeviceRemoveCompleteEvent, kDeviceArrivalEvent}));
}

TEST(Win32DeviceChanges, StopEndsTheThreadAndAStoppedWatcherCanBeDestroyed) {
    testing::TempDir dir;
    Win32DeviceChangeWatcher watcher({dir / "missing.img"});
    ASSERT_TRUE(watcher.Start([](std::uint32_t) {}));
    EXPECT_FALSE(watcher.Start([](std::uint32_t) {}));  // already running
    watcher.Stop();
    watcher.Stop();
}

}  // namespace
}  // namespace mendora::platform
