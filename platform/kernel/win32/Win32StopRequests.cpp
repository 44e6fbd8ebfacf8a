#include "platform/kernel/win32/WindowsHeader.h"

#include <mutex>

#include "platform/kernel/StopRequests.h"

namespace mendora::platform {

// The console's control events arrive on a thread the system starts for each; they are
// counted and handed on under one lock.
struct StopRequests::Host {
    OnStop onStop;
    int count = 0;
};

namespace {

std::mutex gGuard;
StopRequests::Host* gHost = nullptr;

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    std::lock_guard lock(gGuard);
    if (gHost == nullptr) return FALSE;
    gHost->onStop(++gHost->count);
    return TRUE;
}

}  // namespace

StopRequests::StopRequests(OnStop onStop) : host_(std::make_unique<Host>()) {
    host_->onStop = std::move(onStop);
    std::lock_guard lock(gGuard);
    gHost = host_.get();
    SetConsoleCtrlHandler(OnControl, TRUE);
}

StopRequests::~StopRequests() {
    SetConsoleCtrlHandler(OnControl, FALSE);
    std::lock_guard lock(gGuard);
    gHost = nullptr;
}

}  // namespace mendora::platform
