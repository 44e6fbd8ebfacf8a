#include "tools/station/ReplugFollow.h"

namespace mendora::station {

void ReplugFollow::Saw(const std::optional<std::string>& instance) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (instance == last_) return;
    const bool replaced = instance && last_;  // both edges fell between two looks
    gone_ = gone_ || !instance || replaced;
    back_ = back_ || (instance && gone_);
    changed_ = true;
    last_ = instance;
}

bool ReplugFollow::Tick() {
    std::lock_guard<std::mutex> hold(mutex_);
    const bool changed = changed_;
    changed_ = false;
    if (!back_ || released_) return false;
    quiet_ = changed ? 0 : quiet_ + 1;
    released_ = quiet_ > kQuietTicks;
    return released_;
}

bool ReplugFollow::Released() {
    std::lock_guard<std::mutex> hold(mutex_);
    return released_;
}

}  // namespace mendora::station
