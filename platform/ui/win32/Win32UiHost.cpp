#include "platform/ui/win32/Win32UiHost.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowClass.h"
#include "platform/ui/WindowNode.h"
#include "platform/ui/WindowSystem.h"
#include "platform/ui/win32/NativeWindows.h"

namespace mendora::platform {

namespace {

std::uint32_t ToRgb(COLORREF c) {
    return std::uint32_t{GetRValue(c)} << 16 | std::uint32_t{GetGValue(c)} << 8 | GetBValue(c);
}

}  // namespace

// One top-level window of the tree and the native window presenting it.
class SurfaceWindow : public win32::NativeWindowOwner {
public:
    explicit SurfaceWindow(WindowNode& root)
        : root_(root),
          native_(*this, root.text, root.rect.Width(), root.rect.Height(),
                  (root.style & WS_POPUP) && (root.style & WS_CAPTION) != WS_CAPTION) {}

    win32::NativeWindow& native() { return native_; }

    void ApplyIcon() {
        const Bitmap* icon = root_.bigIcon ? root_.bigIcon : root_.smallIcon;
        if (!icon || icon == appliedIcon_) return;
        std::vector<std::uint32_t> pixels;
        pixels.reserve(static_cast<std::size_t>(icon->Width()) * icon->Height());
        for (int y = 0; y < icon->Height(); ++y)
            for (int x = 0; x < icon->Width(); ++x) pixels.push_back(ToRgb(icon->Pixel(x, y)));
        native_.SetIcon(pixels, icon->Width(), icon->Height());
        appliedIcon_ = icon;
    }

    void Picture(std::vector<std::uint32_t>* pixels, int* width, int* height) override {
        const Bitmap* surface = root_.surface.get();
        if (!surface) return;
        *width = surface->Width();
        *height = surface->Height();
        pixels->resize(static_cast<std::size_t>(*width) * *height);
        std::size_t i = 0;
        for (int y = 0; y < *height; ++y)
            for (int x = 0; x < *width; ++x) (*pixels)[i++] = ToRgb(surface->Pixel(x, y));
    }
    void Mouse(win32::MouseKind kind, int x, int y) override {
        UINT msg = kind == win32::MouseKind::LeftDown ? WM_LBUTTONDOWN
                   : kind == win32::MouseKind::LeftUp ? WM_LBUTTONUP
                                                      : WM_MOUSEMOVE;
        WindowSystem::Get().Mouse(root_, msg, {x, y});
    }
    bool CrossCursorAt(int x, int y) override {
        WindowNode* under = WindowSystem::Get().HitTest(root_, {x, y});
        return under && under->cls->cursor == IDC_CROSS;
    }
    void Key(bool escape) override { Window::FromNode(&root_)->PostMessage(WM_KEYDOWN, escape ? VK_ESCAPE : VK_RETURN); }
    void Close() override { Window::FromNode(&root_)->PostMessage(WM_CLOSE); }
    void Minimised(bool minimised) override {
        if (minimised == root_.iconic) return;
        root_.iconic = minimised;
        Window::FromNode(&root_)->Invalidate(true);
    }

private:
    WindowNode& root_;
    win32::NativeWindow native_;
    const Bitmap* appliedIcon_ = nullptr;
};

Win32UiHost::Win32UiHost() { WindowSystem::Get(); }

Win32UiHost::~Win32UiHost() { windows_.clear(); }

SurfaceWindow& Win32UiHost::WindowFor(WindowNode& root) {
    auto& window = windows_[&root];
    if (!window) window = std::make_unique<SurfaceWindow>(root);
    return *window;
}

void* Win32UiHost::NativeHandle(WindowNode& root) {
    auto it = windows_.find(&root);
    return it == windows_.end() ? nullptr : it->second->native().Handle();
}

bool Win32UiHost::Grab(WindowNode& root, Bitmap* picture) {
    auto it = windows_.find(&root);
    if (it == windows_.end()) return false;
    it->second->native().Update();
    win32::DispatchWindowMessages();
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    if (!it->second->native().Capture(&pixels, &width, &height)) return false;
    *picture = Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            picture->SetPixel(x, y, RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF));
        }
    return true;
}

void Win32UiHost::WaitAndDispatch() {
    bool any = DispatchPending();
    any = win32::DispatchWindowMessages() || any;
    if (any) return;
    PressDefaultButtonOnce();
    long long wait = MillisecondsToNextTimer();
    if (wait < 0 || wait > 100) wait = 100;
    win32::WaitForWindowMessages(wait);
}

void Win32UiHost::PressDefaultButtonOnce() {
    Dialog* dialog = ActiveModal();
    if (!assumeYes_ || pressed_ || !dialog || !dialog->IsWindowVisible()) return;
    pressed_ = true;
    dialog->SendMessage(WM_KEYDOWN, VK_RETURN);
}

void Win32UiHost::WindowShown(WindowNode& root, bool shown) {
    SurfaceWindow& window = WindowFor(root);
    if (shown) {
        window.ApplyIcon();
        window.native().Show(!root.topmost && root.activateOnShow);
    } else {
        window.native().Hide();
    }
}

void Win32UiHost::SurfaceChanged(WindowNode& root, const Rect& area) {
    auto it = windows_.find(&root);
    if (it != windows_.end()) it->second->native().Invalidate(area.left, area.top, area.Width(), area.Height());
}

void Win32UiHost::WindowDestroyed(WindowNode& root) { windows_.erase(&root); }

void Win32UiHost::TextChanged(WindowNode& node) {
    auto it = windows_.find(&node);
    if (it != windows_.end()) it->second->native().SetTitle(node.text);
}

void Win32UiHost::Raise(WindowNode& root) {
    auto it = windows_.find(&root);
    if (it != windows_.end()) it->second->native().Raise();
}

void Win32UiHost::TopmostChanged(WindowNode& root) { WindowFor(root).native().MakeTopmost(); }

void Win32UiHost::Present() {
    for (auto& [node, window] : windows_) window->native().Update();
}

void Win32UiHost::Wake() { win32::WakeWindowThread(); }

bool Win32UiHost::OpenFile(const std::string& path) { return win32::OpenWithShell(path); }

int Win32UiHost::MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) {
    if (assumeYes_) return TerminalMessageHost(stdin, stderr, false, true).MessageBox(text, caption, buttons);
    Dialog* dialog = ActiveModal();
    void* owner = dialog && dialog->Node() ? NativeHandle(*dialog->Node()) : nullptr;
    return win32::NativeMessageBox(text, caption, buttons == MessageButtons::OkCancel, owner) == 1 ? kIdOk : kIdCancel;
}

void Win32UiHost::FatalExit(const std::string& text) {
    win32::NativeMessageBox(text, "Fatal error", false, nullptr);
    std::_Exit(1);
}

}  // namespace mendora::platform
