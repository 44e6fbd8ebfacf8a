#include "platform/kernel/win32/WindowsHeader.h"
// The headers below need <windows.h> first.
#include <dbt.h>
#include <initguid.h>
#include <winioctl.h>

#include "platform/scsi/win32/Win32Scsi.h"
#include "vdrive/PlugWatcher.h"

namespace mendora::platform {
namespace {

constexpr const wchar_t* kWindowClass = L"MendoraDeviceChanges";

struct WindowState {
    DeviceChangeSource::Listener* listener;
};

LRESULT CALLBACK WatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DEVICECHANGE) {
        auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (std::uint32_t event = DeviceChangeEventOf(wParam); event && state) (*state->listener)(event);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::uint32_t DeviceChangeEventOf(std::uintptr_t wParam) {
    if (wParam == DBT_DEVICEARRIVAL) return kDeviceArrivalEvent;
    if (wParam == DBT_DEVICEREMOVECOMPLETE) return kDeviceRemoveCompleteEvent;
    return 0;
}

Win32DeviceChangeWatcher::Win32DeviceChangeWatcher(std::vector<std::string> images) : images_(std::move(images)) {}

Win32DeviceChangeWatcher::~Win32DeviceChangeWatcher() { Stop(); }

bool Win32DeviceChangeWatcher::Start(Listener listener) {
    if (thread_.joinable()) return false;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_ == nullptr || ready == nullptr) {
        if (ready) CloseHandle(ready);
        if (stop_) CloseHandle(stop_);
        stop_ = nullptr;
        return false;
    }
    thread_ = std::thread([this, listener = std::move(listener), ready] { Run(listener, ready); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    return true;
}

void Win32DeviceChangeWatcher::Stop() {
    if (!thread_.joinable()) return;
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
    stop_ = nullptr;
}

// The thread owns a message-only window for WM_DEVICECHANGE and waits on it, the stop event
// and the plug watchers' events together.
void Win32DeviceChangeWatcher::Run(Listener listener, void* ready) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WatcherProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when registered already
    WindowState state{&listener};
    // A top-level window that is never shown: message-only windows get no broadcasts.
    HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    HDEVNOTIFY notification = nullptr;
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = GUID_DEVINTERFACE_DISK;
        notification = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    std::vector<std::unique_ptr<vdrive::PlugWatcher>> plugs;
    std::vector<HANDLE> handles{stop_};
    for (const std::string& image : images_) {
        auto plug = std::make_unique<vdrive::PlugWatcher>(image);
        if (!plug->IsWatching()) continue;
        handles.push_back(reinterpret_cast<HANDLE>(plug->Waitable()));
        plugs.push_back(std::move(plug));
    }
    SetEvent(ready);
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE,
                                               QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        if (woke == WAIT_OBJECT_0 + handles.size()) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            continue;
        }
        auto& plug = plugs[woke - WAIT_OBJECT_0 - 1];
        for (vdrive::PlugEvent event : plug->Poll())
            listener(event == vdrive::PlugEvent::Arrival ? kDeviceArrivalEvent : kDeviceRemoveCompleteEvent);
    }
    if (notification) UnregisterDeviceNotification(notification);
    if (window) DestroyWindow(window);
}

}  // namespace mendora::platform
