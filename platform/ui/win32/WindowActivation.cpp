// Window activation on Windows: top-level windows are native, so another process finds
// one by its title; nothing needs to listen.
#include "platform/kernel/win32/WindowsHeader.h"

#include <thread>

#include "platform/kernel/win32/Win32Text.h"
#include "platform/ui/WindowActivation.h"

namespace mendora::platform {

WindowActivationListener::WindowActivationListener(const std::string&, std::function<void()> activate)
    : activate_(std::move(activate)) {}

WindowActivationListener::~WindowActivationListener() = default;

void WindowActivationListener::Serve() {}

void WindowActivationListener::ServeFor(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool RequestWindowActivation(const std::string& title) {
    HWND window = FindWindowW(nullptr, win32::Widen(title).c_str());
    if (window == nullptr) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

}  // namespace mendora::platform
