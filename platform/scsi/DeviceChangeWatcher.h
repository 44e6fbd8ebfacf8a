#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace mendora::platform {

// Device-change events as windows receive them in WM_DEVICECHANGE.
inline constexpr std::uint32_t kDeviceArrivalEvent = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveCompleteEvent = 0x8004;

// Tells a listener about drives coming and going. The listener runs on the source's own
// thread, so it should only hand the event on (post it to a window).
class DeviceChangeSource {
public:
    using Listener = std::function<void(std::uint32_t event)>;
    virtual ~DeviceChangeSource() = default;
    // Answers false when nothing can be watched.
    virtual bool Start(Listener listener) = 0;
    // Returns once the listener is not running and will not run again.
    virtual void Stop() = 0;
};

// The Linux watcher: USB devices and block disks added or removed (libudev), and the
// virtual drives' images plugged in or out (inotify on each image).
class LinuxDeviceChangeWatcher : public DeviceChangeSource {
public:
    explicit LinuxDeviceChangeWatcher(std::vector<std::string> images);
    ~LinuxDeviceChangeWatcher() override;

    bool Start(Listener listener) override;
    void Stop() override;

private:
    struct Sources;
    void Run(Listener listener);

    std::vector<std::string> images_;
    std::unique_ptr<Sources> sources_;
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace mendora::platform
