#pragma once
#include <functional>
#include <string>

namespace mendora::platform {

// Lets another process bring a shown top-level window to the front. While a listener
// lives it holds the abstract Unix socket named from the user and the window title; a
// peer of the same user that sends "activate" gets "ok" back once the listener's owner
// has been told. A title another listener already holds is not listened for again.
class WindowActivationListener {
public:
    WindowActivationListener(const std::string& title, std::function<void()> activate);
    ~WindowActivationListener();
    WindowActivationListener(const WindowActivationListener&) = delete;
    WindowActivationListener& operator=(const WindowActivationListener&) = delete;

    bool Listening() const { return fd_ >= 0; }
    // The socket to watch for readability; -1 when not listening.
    int Fd() const { return fd_; }
    // Answers the peers waiting now, calling activate for each valid request; call on the
    // thread that owns the window.
    void Serve();
    // Waits up to the time for a peer, then serves; for hosts without an event loop.
    void ServeFor(int milliseconds);

private:
    int fd_ = -1;
    std::function<void()> activate_;
};

// Asks the process listening for the title to bring its window forward; answers whether
// it did.
bool RequestWindowActivation(const std::string& title);

}  // namespace mendora::platform
