#include "platform/ui/Window.h"

#include <cstring>
#include <vector>

#include "platform/ui/UiHost.h"
#include "platform/ui/WindowSystem.h"

namespace mendora::platform {
namespace {

WindowSystem& System() { return WindowSystem::Get(); }

}  // namespace

Window::Window() = default;

Window::~Window() {
    if (node_) {
        node_->owner = nullptr;  // the derived parts are gone: no handler may run now
        System().DestroyNode(*node_);
    }
}

Window* Window::FromNode(WindowNode* node) { return node ? &node->Object() : nullptr; }

bool Window::Create(const std::string& className, const std::string& text, std::uint32_t style,
                    const Rect& rect, Window* parent, int id) {
    const WindowClass* cls = FindWindowClass(className);
    if (node_ || !cls || (parent && !parent->node_)) return false;
    WindowNode* node = System().CreateNode(*cls, parent ? parent->node_ : nullptr);
    node->owner = this;
    node->id = id;
    node->style = style;
    node->rect = rect;
    node->text = text;
    if (!parent) node->surface = std::make_unique<Bitmap>(rect.Width(), rect.Height());
    node_ = node;
    SendMessage(WM_CREATE);
    if (!node_) return false;
    Rect client = node->ClientRect();
    SendMessage(WM_SIZE, 0, MAKELPARAM(client.Width(), client.Height()));
    if (node_ && (style & WS_VISIBLE)) {
        Invalidate(true);
        if (!parent && UiHost::Current()) UiHost::Current()->WindowShown(*node_, true);
    }
    return node_ != nullptr;
}

void Window::DestroyWindow() {
    if (node_) System().DestroyNode(*node_);
}

bool Window::SubclassWindow(Window& current) {
    if (node_ || !current.node_ || &current == this) return false;
    node_ = current.node_;
    current.node_ = nullptr;
    node_->owner = this;
    return true;
}

void Window::Detach() {
    if (!node_) return;
    node_->owner = nullptr;
    node_ = nullptr;
}

void Window::OnMessage(UINT msg, Handler handler) { handlers_[msg] = std::move(handler); }

LRESULT Window::WindowProc(UINT msg, WPARAM wparam, LPARAM lparam) {
    auto it = handlers_.find(msg);
    if (it != handlers_.end()) return it->second(wparam, lparam);
    return Default(msg, wparam, lparam);
}

LRESULT Window::SendMessage(UINT msg, WPARAM wparam, LPARAM lparam) { return WindowProc(msg, wparam, lparam); }

void Window::PostMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    if (node_) System().Post(*node_, msg, wparam, lparam);
}

LRESULT Window::Default(UINT msg, WPARAM wparam, LPARAM lparam) {
    return node_ ? node_->cls->procedure(*node_, msg, wparam, lparam) : 0;
}

void Window::Invalidate(bool erase) { InvalidateRect(nullptr, erase); }

void Window::InvalidateRect(const Rect* rect, bool erase) {
    if (node_) System().Invalidate(*node_, rect ? *rect : node_->ClientRect(), erase);
}

void Window::RedrawWindow(UINT flags) {
    if (!node_) return;
    if (flags & RDW_INVALIDATE) InvalidateRect(nullptr, flags & RDW_ERASE);
    if (flags & RDW_UPDATENOW) UpdateWindow();
}

void Window::UpdateWindow() {
    if (node_) System().Update(*node_);
}

Rect Window::GetClientRect() const { return node_ ? node_->ClientRect() : Rect{}; }
Rect Window::GetWindowRect() const { return node_ ? node_->rect : Rect{}; }

void Window::MoveWindow(const Rect& rect) {
    if (!node_) return;
    if (node_->parent) System().Invalidate(*node_->parent, node_->rect, true);
    node_->rect = rect;
    if (node_->IsTopLevel()) node_->surface = std::make_unique<Bitmap>(rect.Width(), rect.Height());
    Rect client = node_->ClientRect();
    SendMessage(WM_SIZE, 0, MAKELPARAM(client.Width(), client.Height()));
    Invalidate(true);
}

void Window::SetCapture() { System().capture = node_; }
void Window::ReleaseCapture() { System().capture = nullptr; }
Window* Window::GetCapture() { return FromNode(System().capture); }

std::uint32_t Window::GetStyle() const { return node_ ? node_->style : 0; }

void Window::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
    if (node_) node_->style = (node_->style & ~remove) | add;
}

int Window::GetDlgCtrlID() const { return node_ ? node_->id : 0; }
Window* Window::GetParent() const { return node_ ? FromNode(node_->parent) : nullptr; }
Window* Window::GetDlgItem(int id) const { return node_ ? FromNode(node_->Child(id)) : nullptr; }

const Font* Window::GetFont() { return reinterpret_cast<const Font*>(SendMessage(WM_GETFONT)); }

void Window::SetFont(const Font* font, bool redraw) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw ? 1 : 0, 0));
}

void Window::SetWindowText(const std::string& text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Window::GetWindowText() {
    auto length = static_cast<std::size_t>(SendMessage(WM_GETTEXTLENGTH));
    std::vector<char> buffer(length + 1, '\0');
    LRESULT copied = SendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
}

void Window::ShowWindow(int command) {
    if (!node_) return;
    bool show = command != SW_HIDE;
    if (show == bool(node_->style & WS_VISIBLE)) return;
    node_->style = show ? node_->style | WS_VISIBLE : node_->style & ~WS_VISIBLE;
    if (show) node_->activateOnShow = command != SW_SHOWNOACTIVATE;
    SendMessage(WM_SHOWWINDOW, show, 0);
    if (!node_) return;
    if (show) Invalidate(true);
    else if (node_->parent) System().Invalidate(*node_->parent, node_->rect, true);
    if (node_->IsTopLevel() && UiHost::Current()) UiHost::Current()->WindowShown(*node_, show);
}

bool Window::IsWindowVisible() const { return node_ && node_->IsShown(); }

void Window::SetTopmost() {
    if (!node_ || !node_->IsTopLevel() || node_->topmost) return;
    node_->topmost = true;
    if (UiHost::Current()) UiHost::Current()->TopmostChanged(*node_);
}

bool Window::IsTopmost() const { return node_ && node_->topmost; }

bool Window::IsIconic() const { return node_ && node_->Root().iconic; }

void Window::EnableWindow(bool enable) {
    if (!node_ || enable == !(node_->style & WS_DISABLED)) return;
    node_->style = enable ? node_->style & ~WS_DISABLED : node_->style | WS_DISABLED;
    Invalidate(true);
}

bool Window::IsWindowEnabled() const { return node_ && !(node_->style & WS_DISABLED); }

void Window::SetTimer(UINT id, UINT milliseconds) {
    if (node_) System().SetTimer(*node_, id, milliseconds);
}

void Window::KillTimer(UINT id) {
    if (node_) System().KillTimer(*node_, id);
}

int Window::PaintCount() const { return node_ ? node_->paints : 0; }

namespace {

Bitmap* SurfaceOf(Window& w) { return w.Node() ? w.Node()->Root().surface.get() : nullptr; }
Point OriginOf(Window& w) { return w.Node() ? w.Node()->SurfaceOrigin() : Point{}; }
Rect PaintArea(Window& w) {
    WindowNode* n = w.Node();
    if (!n) return {};
    Point o = n->SurfaceOrigin();
    return n->invalid.Intersect(n->ClientRect()).Offset(o.x, o.y);
}

}  // namespace

PaintDC::PaintDC(Window& window)
    : DC(SurfaceOf(window), OriginOf(window), PaintArea(window)), window_(window), area_(PaintArea(window)) {
    WindowNode* node = window.Node();
    if (!node) return;
    bool erase = node->erase;
    node->invalid = {};
    node->erase = false;
    if (erase) window.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<DC*>(this)));
}

PaintDC::~PaintDC() {
    WindowNode* node = window_.Node();
    if (!node || !UiHost::Current()) return;
    UiHost::Current()->SurfaceChanged(node->Root(), area_);
}

}  // namespace mendora::platform
