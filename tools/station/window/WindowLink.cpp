#include "tools/station/window/WindowLink.h"

#include <utility>

namespace mendora::station {

void WindowLink::Publish(StationPicture picture) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        picture_ = std::move(picture);
        ++published_;
    }
    publishedSignal_.notify_all();
}

bool WindowLink::WaitForFirstPicture(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return publishedSignal_.wait_for(lock, limit, [this] { return published_ > 0; });
}

std::vector<StationCommand> WindowLink::TakeCommands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(commands_, {});
}

bool WindowLink::AutoStart() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return autoStart_;
}

bool WindowLink::Closing() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closing_;
}

bool WindowLink::TakePicture(StationPicture* picture) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (taken_ == published_) return false;
    taken_ = published_;
    *picture = picture_;
    return true;
}

void WindowLink::Give(StationCommand command) {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
}

void WindowLink::SetAutoStart(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    autoStart_ = on;
}

void WindowLink::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
}

}  // namespace mendora::station
