#include "platform/scsi/DeviceChangeWatcher.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vdrive/PlugWatcher.h"

namespace mendora::platform {

// What the watcher thread polls: the udev monitor (when udev can be reached) and one
// plug watcher per image.
struct LinuxDeviceChangeWatcher::Sources {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::vector<std::unique_ptr<vdrive::PlugWatcher>> plugs;

    ~Sources() {
        if (monitor) udev_monitor_unref(monitor);
        if (context) udev_unref(context);
    }
};

namespace {

udev_monitor* OpenMonitor(udev* context) {
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor) return nullptr;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", "disk") < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        return nullptr;
    }
    return monitor;
}

// The event of one udev notification, or 0 for one that is neither an addition nor a removal.
std::uint32_t UdevEvent(udev_monitor* monitor) {
    udev_device* device = udev_monitor_receive_device(monitor);
    if (!device) return 0;
    const char* action = udev_device_get_action(device);
    std::uint32_t event = 0;
    if (action && std::strcmp(action, "add") == 0) event = kDeviceArrivalEvent;
    else if (action && std::strcmp(action, "remove") == 0) event = kDeviceRemoveCompleteEvent;
    udev_device_unref(device);
    return event;
}

}  // namespace

LinuxDeviceChangeWatcher::LinuxDeviceChangeWatcher(std::vector<std::string> images) : images_(std::move(images)) {}

LinuxDeviceChangeWatcher::~LinuxDeviceChangeWatcher() { Stop(); }

bool LinuxDeviceChangeWatcher::Start(Listener listener) {
    if (thread_.joinable()) return true;
    auto sources = std::make_unique<Sources>();
    sources->context = udev_new();
    if (sources->context) sources->monitor = OpenMonitor(sources->context);
    for (const std::string& image : images_) {
        auto plug = std::make_unique<vdrive::PlugWatcher>(image);
        if (plug->IsWatching()) sources->plugs.push_back(std::move(plug));
    }
    if (!sources->monitor && sources->plugs.empty()) return false;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd_ < 0) return false;
    sources_ = std::move(sources);
    thread_ = std::thread([this, listener = std::move(listener)] { Run(listener); });
    return true;
}

void LinuxDeviceChangeWatcher::Stop() {
    if (!thread_.joinable()) return;
    std::uint64_t one = 1;
    (void)::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(stopFd_);
    stopFd_ = -1;
    sources_.reset();
}

void LinuxDeviceChangeWatcher::Run(Listener listener) {
    std::vector<pollfd> fds{{stopFd_, POLLIN, 0}};
    if (sources_->monitor) fds.push_back({udev_monitor_get_fd(sources_->monitor), POLLIN, 0});
    for (const auto& plug : sources_->plugs) fds.push_back({static_cast<int>(plug->Waitable()), POLLIN, 0});
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;
        std::size_t next = 1;
        if (sources_->monitor && fds[next++].revents)
            if (std::uint32_t event = UdevEvent(sources_->monitor)) listener(event);
        for (const auto& plug : sources_->plugs) {
            if (!fds[next++].revents) continue;
            for (vdrive::PlugEvent event : plug->Poll())
                listener(event == vdrive::PlugEvent::Arrival ? kDeviceArrivalEvent : kDeviceRemoveCompleteEvent);
        }
    }
}

}  // namespace mendora::platform
