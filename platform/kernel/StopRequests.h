#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace mendora::platform {

// The user's requests to stop, taken in one place: Ctrl-C, a termination request and a
// closed terminal or dropped session (SIGINT, SIGTERM and SIGHUP on Linux; the console's
// Ctrl-C, Ctrl-Break and close events on Windows). None of them ends the process or cuts a
// command to a drive in half: on Linux they are blocked in every thread, so a wait for the
// drive is never interrupted, and a thread of their own hands each to `onStop` with the
// number of requests so far. Made before any other thread starts, so that every thread
// inherits the blocked signals; a process has one at a time.
class StopRequests {
public:
    using OnStop = std::function<void(int count)>;
    explicit StopRequests(OnStop onStop);
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

    struct Host;  // the host's own part

private:
    std::unique_ptr<Host> host_;
};

}  // namespace mendora::platform
