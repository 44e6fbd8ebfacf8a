// Plug watching on Linux: inotify on the image file itself.
#include "vdrive/PlugWatcher.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>

#include "vdrive/ImageFormat.h"

namespace mendora::vdrive {

struct PlugWatcher::Watch {
    explicit Watch(int fd) : inotify(fd) {}
    ~Watch() { ::close(inotify); }
    int inotify;
};

PlugWatcher::PlugWatcher(const std::string& imagePath) : path_(imagePath) {
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return;
    auto watch = std::make_unique<Watch>(fd);
    if (::inotify_add_watch(fd, path_.c_str(), IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF) < 0 ||
        !ReadPlugState(&plugged_, &generation_))
        return;
    watch_ = std::move(watch);
}

PlugWatcher::~PlugWatcher() = default;

std::intptr_t PlugWatcher::Waitable() const { return watch_ ? watch_->inotify : -1; }

bool PlugWatcher::ReadPlugState(std::uint32_t* plugged, std::uint32_t* generation) {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // plugged and plugGeneration are adjacent, and written together under the image lock.
    std::uint32_t fields[2] = {};
    off_t at = static_cast<off_t>(format::kStateOffset + offsetof(format::State, plugged));
    bool ok = ::pread(fd, fields, sizeof fields, at) == static_cast<ssize_t>(sizeof fields);
    ::close(fd);
    *plugged = fields[0];
    *generation = fields[1];
    return ok;
}

std::vector<PlugEvent> PlugWatcher::Poll() {
    if (!watch_) return {};
    alignas(struct inotify_event) char buffer[4096];
    while (::read(watch_->inotify, buffer, sizeof buffer) > 0) {
    }
    return EventsSinceLastPoll();
}

}  // namespace mendora::vdrive
