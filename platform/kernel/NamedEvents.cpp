#include "platform/kernel/NamedEvents.h"

#include <chrono>

namespace mendora::platform {

void Event::Set() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        signalled_ = true;
    }
    if (manualReset_) {
        changed_.notify_all();
    } else {
        changed_.notify_one();
    }
}

void Event::Reset() {
    std::lock_guard<std::mutex> hold(mutex_);
    signalled_ = false;
}

void Event::Wait() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return signalled_; });
    if (!manualReset_) signalled_ = false;
}

bool Event::WaitFor(std::uint32_t milliseconds) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (!changed_.wait_for(hold, std::chrono::milliseconds(milliseconds), [this] { return signalled_; }))
        return false;
    if (!manualReset_) signalled_ = false;
    return true;
}

bool Event::IsSet() {
    std::lock_guard<std::mutex> hold(mutex_);
    return signalled_;
}

std::shared_ptr<Event> NamedEvents::Create(const std::string& name, bool manualReset, bool signalled) {
    std::lock_guard<std::mutex> hold(mutex_);
    auto& event = events_[name];
    if (!event) event = std::make_shared<Event>(manualReset, signalled);
    return event;
}

}  // namespace mendora::platform
