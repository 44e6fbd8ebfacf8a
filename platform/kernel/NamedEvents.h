#pragma once
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace mendora::platform {

// An event threads wait on: manual-reset events stay signalled until reset, auto-reset ones
// release one waiter and reset themselves.
class Event {
public:
    Event(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled) {}
    void Set();
    void Reset();
    void Wait();
    // Whether the event was signalled within the time.
    bool WaitFor(std::uint32_t milliseconds);
    bool IsSet();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
};

// Events known by name within this process. Creating a name that exists hands out the
// existing event, whatever the settings asked for.
class NamedEvents {
public:
    std::shared_ptr<Event> Create(const std::string& name, bool manualReset, bool signalled);

private:
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Event>> events_;
};

}  // namespace mendora::platform
