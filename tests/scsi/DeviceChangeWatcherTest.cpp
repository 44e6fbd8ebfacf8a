// The device-change watcher over a virtual drive's plug state.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/scsi/DeviceChangeWatcher.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::platform {
namespace {

class Events {
public:
    void Add(std::uint32_t event) {
        std::lock_guard<std::mutex> hold(mutex_);
        events_.push_back(event);
        changed_.notify_all();
    }
    // Waits until an event of this kind came after those already taken.
    bool WaitFor(std::uint32_t event) {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, std::chrono::seconds(10), [&] {
            for (; taken_ < events_.size(); ++taken_)
                if (events_[taken_] == event) return ++taken_, true;
            return false;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint32_t> events_;
    std::size_t taken_ = 0;
};

TEST(DeviceChangeWatcher, PluggingAVirtualDriveOutAndInGivesRemovalThenArrival) {
    testing::TempDir dir;
    std::string image = dir / "drive.img";
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(image, *vdrive::Preset("qf90"), &error);
    ASSERT_TRUE(drive) << error;

    LinuxDeviceChangeWatcher watcher({image});
    Events events;
    ASSERT_TRUE(watcher.Start([&](std::uint32_t event) { events.Add(event); }));
    ASSERT_TRUE(drive->SetPlugged(false, &error)) << error;
    EXPECT_TRUE(events.WaitFor(kDeviceRemoveCompleteEvent));
    ASSERT_TRUE(drive->SetPlugged(true, &error)) << error;
    EXPECT_TRUE(events.WaitFor(kDeviceArrivalEvent));
    watcher.Stop();
    watcher.Stop();  // a second stop is harmless
}

}  // namespace
}  // namespace mendora::platform
