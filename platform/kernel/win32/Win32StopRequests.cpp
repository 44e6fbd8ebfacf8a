#include "platform/kernel/win32/WindowsHeader.h"

#include <mutex>
#include <string>

#include "platform/kernel/StopRequests.h"
#include "platform/kernel/win32/Win32Kernel.h"

namespace mendora::platform {

// The console's control events arrive on a thread the system starts for each; a parent
// that started this process through ChildProcess sends its requests through a named event,
// which a thread of ours waits on. Both are counted and handed on under one lock.
struct StopRequests::Host {
    OnStop onStop;
    int count = 0;
    HANDLE stopEvent = nullptr;
    HANDLE quit = nullptr;
    HANDLE watcher = nullptr;
};

std::wstring ChildStopEventName(std::uint32_t processId) {
    return L"mendora-stop-" + std::to_wstring(processId);
}

namespace {

std::mutex gGuard;
StopRequests::Host* gHost = nullptr;

// Set once the program has let go of its stop requests; never closed, since a control
// handler may still be about to wait on it.
HANDLE StoppedEvent() {
    static HANDLE stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return stopped;
}

bool HandOn() {
    std::lock_guard lock(gGuard);
    if (gHost == nullptr) return false;
    gHost->onStop(++gHost->count);
    return true;
}

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    if (!HandOn()) return FALSE;
    // The system ends the process as soon as the handler of a closed console returns: it
    // waits here until the program has stopped its work, written what it writes and let
    // go of its stop requests (the system's own limit of some seconds still holds).
    if (event == CTRL_CLOSE_EVENT) WaitForSingleObject(StoppedEvent(), INFINITE);
    return TRUE;
}

DWORD WINAPI WatchStopEvent(void* parameter) {
    auto* host = static_cast<StopRequests::Host*>(parameter);
    HANDLE waits[2] = {host->quit, host->stopEvent};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) HandOn();
    return 0;
}

}  // namespace

StopRequests::StopRequests(OnStop onStop) : host_(std::make_unique<Host>()) {
    host_->onStop = std::move(onStop);
    ResetEvent(StoppedEvent());
    {
        std::lock_guard lock(gGuard);
        gHost = host_.get();
    }
    // A process started in a console group of its own begins with Ctrl-C ignored.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnControl, TRUE);
    host_->stopEvent = OpenEventW(SYNCHRONIZE, FALSE, ChildStopEventName(GetCurrentProcessId()).c_str());
    if (host_->stopEvent == nullptr) return;
    host_->quit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    host_->watcher = CreateThread(nullptr, 0, WatchStopEvent, host_.get(), 0, nullptr);
}

StopRequests::~StopRequests() {
    // Released first: a handler of a closed console that waits holds the console's own lock,
    // which unregistering takes too.
    SetEvent(StoppedEvent());
    SetConsoleCtrlHandler(OnControl, FALSE);
    if (host_->watcher != nullptr) {
        SetEvent(host_->quit);
        WaitForSingleObject(host_->watcher, INFINITE);
        CloseHandle(host_->watcher);
    }
    for (HANDLE h : {host_->quit, host_->stopEvent})
        if (h != nullptr) CloseHandle(h);
    std::lock_guard lock(gGuard);
    gHost = nullptr;
}

}  // namespace mendora::platform
