#include "platform/ui/WindowThreadMessages.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "platform/ui/WindowSystem.h"

namespace mendora::platform {

// Lives as long as the last posted box that may still run.
struct WindowThreadMessages::Shared {
    std::mutex mutex;
    std::condition_variable answered;
    bool released = false;
};

namespace {

struct Request {
    int answer = 0;  // 0 until answered
};

}  // namespace

WindowThreadMessages::WindowThreadMessages(MessageHost& host)
    : shared_(std::make_shared<Shared>()), host_(host), windowThread_(std::this_thread::get_id()) {}

WindowThreadMessages::~WindowThreadMessages() { Release(); }

int WindowThreadMessages::MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    if (OnWindowThread()) return host_.MessageBox(text, caption, buttons);
    auto request = std::make_shared<Request>();
    std::shared_ptr<Shared> shared = shared_;
    {
        std::lock_guard<std::mutex> hold(shared->mutex);
        if (shared->released) return kIdOk;
    }
    MessageHost* host = &host_;
    WindowSystem::Get().PostTask([shared, request, host, text, caption, buttons] {
        {
            std::lock_guard<std::mutex> hold(shared->mutex);
            if (shared->released) return;
        }
        int answer = host->MessageBox(text, caption, buttons);
        std::lock_guard<std::mutex> hold(shared->mutex);
        request->answer = answer;
        shared->answered.notify_all();
    });
    std::unique_lock<std::mutex> hold(shared->mutex);
    shared->answered.wait(hold, [&] { return request->answer != 0 || shared->released; });
    return request->answer != 0 ? request->answer : kIdOk;
}

void WindowThreadMessages::FatalExit(const std::string& text) {
    if (!OnWindowThread()) {
        MessageHost* host = &host_;
        WindowSystem::Get().PostTask([host, text] { host->FatalExit(text); });
        std::unique_lock<std::mutex> hold(shared_->mutex);
        shared_->answered.wait(hold, [&] { return shared_->released; });
    }
    host_.FatalExit(text);
    std::abort();  // a host's fatal exit never comes back
}

bool WindowThreadMessages::ActivateWindow(const std::string& title) {
    // Only start-up asks for this, on the window thread; elsewhere there is nothing to raise.
    return OnWindowThread() && host_.ActivateWindow(title);
}

void WindowThreadMessages::Release() {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->released = true;
    shared_->answered.notify_all();
}

}  // namespace mendora::platform
