#include "platform/ui/win32/NativeWindows.h"

#include "platform/kernel/win32/WindowsHeader.h"
#include <shellapi.h>

#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform::win32 {
namespace {

constexpr const wchar_t* kClassName = L"MendoraDialog";

HANDLE WakeEvent() {
    static HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

NativeWindowOwner* OwnerOf(HWND window) {
    return reinterpret_cast<NativeWindowOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void PaintPicture(HWND window, NativeWindowOwner& owner) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    owner.Picture(&pixels, &width, &height);
    if (width > 0 && height > 0 && pixels.size() >= static_cast<std::size_t>(width) * height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeWindowOwner* owner = OwnerOf(window);
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_PAINT: PaintPicture(window, *owner); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN: SetCapture(window); owner->Mouse(MouseKind::LeftDown, x, y); return 0;
        case WM_LBUTTONUP: ReleaseCapture(); owner->Mouse(MouseKind::LeftUp, x, y); return 0;
        case WM_MOUSEMOVE: owner->Mouse(MouseKind::Move, x, y); return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                POINT at;
                GetCursorPos(&at);
                ScreenToClient(window, &at);
                SetCursor(LoadCursor(nullptr, owner->CrossCursorAt(at.x, at.y) ? IDC_CROSS : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                owner->Key(wParam == VK_ESCAPE);
                return 0;
            }
            break;
        case WM_CLOSE: owner->Close(); return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) owner->Minimised(true);
            else if (wParam == SIZE_RESTORED) owner->Minimised(false);
            return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterOnce() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DialogProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

NativeWindow::NativeWindow(NativeWindowOwner& owner, const std::string& title, int width, int height,
                           bool captionless)
    : owner_(owner) {
    RegisterOnce();
    DWORD style = captionless ? WS_POPUP | WS_BORDER : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExW(0, kClassName, Widen(title).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner_));
    window_ = window;
}

NativeWindow::~NativeWindow() {
    if (window_) {
        SetWindowLongPtrW(static_cast<HWND>(window_), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(window_));
    }
    if (icon_) DestroyIcon(static_cast<HICON>(icon_));
}

void NativeWindow::Show(bool activate) {
    if (!window_) return;
    HWND window = static_cast<HWND>(window_);
    ShowWindow(window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    if (activate) SetForegroundWindow(window);
    UpdateWindow(window);
}

void NativeWindow::Hide() {
    if (window_) ShowWindow(static_cast<HWND>(window_), SW_HIDE);
}

void NativeWindow::Invalidate(int left, int top, int width, int height) {
    if (!window_) return;
    RECT area{left, top, left + width, top + height};
    InvalidateRect(static_cast<HWND>(window_), &area, FALSE);
}

void NativeWindow::Update() {
    if (window_) UpdateWindow(static_cast<HWND>(window_));
}

bool NativeWindow::Capture(std::vector<std::uint32_t>* pixels, int* width, int* height) {
    if (!window_) return false;
    HWND window = static_cast<HWND>(window_);
    RECT client;
    GetClientRect(window, &client);
    *width = client.right;
    *height = client.bottom;
    if (*width <= 0 || *height <= 0) return false;
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = *width;
    info.bmiHeader.biHeight = -*height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (target) {
        HGDIOBJ old = SelectObject(memory, target);
        ok = BitBlt(memory, 0, 0, *width, *height, source, 0, 0, SRCCOPY) != 0;
        GdiFlush();
        auto* words = static_cast<const std::uint32_t*>(bits);
        pixels->assign(words, words + static_cast<std::size_t>(*width) * *height);
        for (auto& p : *pixels) p &= 0x00FFFFFFu;
        SelectObject(memory, old);
        DeleteObject(target);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return ok;
}

void NativeWindow::Raise() {
    if (!window_) return;
    HWND window = static_cast<HWND>(window_);
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

void NativeWindow::MakeTopmost() {
    if (window_)
        SetWindowPos(static_cast<HWND>(window_), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void NativeWindow::SetTitle(const std::string& title) {
    if (window_) SetWindowTextW(static_cast<HWND>(window_), Widen(title).c_str());
}

void NativeWindow::SetIcon(const std::vector<std::uint32_t>& pixels, int width, int height) {
    if (!window_ || width <= 0 || height <= 0) return;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = width;
    header.bV5Height = -height;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour) return;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) out[i] = pixels[i] | 0xFF000000u;
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    if (!icon) return;
    SendMessageW(static_cast<HWND>(window_), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(static_cast<HWND>(window_), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (icon_) DestroyIcon(static_cast<HICON>(icon_));
    icon_ = icon;
}

int NativeMessageBox(const std::string& text, const std::string& caption, bool okCancel, void* owner) {
    int answer = MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(caption).c_str(),
                             (okCancel ? MB_OKCANCEL : MB_OK) | MB_TASKMODAL);
    return answer == IDOK ? 1 : 2;
}

bool OpenWithShell(const std::string& path) {
    const auto result = reinterpret_cast<std::intptr_t>(
        ShellExecuteW(nullptr, L"open", Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;  // smaller values are errors
}

bool DispatchWindowMessages() {
    bool any = false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        any = true;
    }
    return any;
}

bool WaitForWindowMessages(long long milliseconds) {
    HANDLE wake = WakeEvent();
    MsgWaitForMultipleObjects(1, &wake, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
    return DispatchWindowMessages();
}

void WakeWindowThread() { SetEvent(WakeEvent()); }

}  // namespace mendora::platform::win32
