#include "vdrive/PlugWatcher.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>

#include "vdrive/ImageFormat.h"

namespace mendora::vdrive {

PlugWatcher::PlugWatcher(const std::string& imagePath) : path_(imagePath) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) return;
    if (::inotify_add_watch(inotify_, path_.c_str(), IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF) < 0 ||
        !ReadPlugState(&plugged_, &generation_)) {
        ::close(inotify_);
        inotify_ = -1;
    }
}

PlugWatcher::~PlugWatcher() {
    if (inotify_ >= 0) ::close(inotify_);
}

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
    std::vector<PlugEvent> events;
    if (inotify_ < 0) return events;
    alignas(struct inotify_event) char buffer[4096];
    while (::read(inotify_, buffer, sizeof buffer) > 0) {
    }
    std::uint32_t plugged = 0, generation = 0;
    if (!ReadPlugState(&plugged, &generation) || generation == generation_) return events;
    // Several changes between two polls: report a removal and an arrival at most, ending
    // in the state the drive is in now.
    std::uint32_t changes = generation - generation_;
    PlugEvent last = plugged ? PlugEvent::Arrival : PlugEvent::Removal;
    PlugEvent before = plugged ? PlugEvent::Removal : PlugEvent::Arrival;
    if (changes % 2 == 0 || plugged == plugged_) events.push_back(before);
    events.push_back(last);
    plugged_ = plugged;
    generation_ = generation;
    return events;
}

}  // namespace mendora::vdrive
