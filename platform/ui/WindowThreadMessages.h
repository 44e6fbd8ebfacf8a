#pragma once
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel/MessageHost.h"

namespace mendora::platform {

// Message boxes any thread may ask for. The window thread (the one that constructs the
// object) shows them itself; another thread hands its box to the window thread, which
// shows it with its posted messages, and waits for the answer. Release() is for when the
// window thread is about to wait for those threads: every box asked from another thread
// from then on, or still waiting, is answered OK without being shown.
class WindowThreadMessages : public MessageHost {
public:
    explicit WindowThreadMessages(MessageHost& host);
    ~WindowThreadMessages() override;
    WindowThreadMessages(const WindowThreadMessages&) = delete;
    WindowThreadMessages& operator=(const WindowThreadMessages&) = delete;

    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;
    bool ActivateWindow(const std::string& title) override;

    void Release();
    bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    MessageHost& host_;
    const std::thread::id windowThread_;
};

}  // namespace mendora::platform
