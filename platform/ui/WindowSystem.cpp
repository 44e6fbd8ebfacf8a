#include "platform/ui/WindowSystem.h"

#include <algorithm>
#include <chrono>

#include "platform/ui/Constants.h"
#include "platform/ui/UiHost.h"
#include "platform/ui/Window.h"

namespace mendora::platform {

WindowSystem& WindowSystem::Get() {
    static WindowSystem system;
    return system;
}

WindowNode* WindowSystem::CreateNode(const WindowClass& cls, WindowNode* parent) {
    auto node = std::make_unique<WindowNode>();
    node->serial = nextSerial_++;
    node->cls = &cls;
    node->parent = parent;
    WindowNode* raw = node.get();
    (parent ? parent->children : roots_).push_back(std::move(node));
    live_[raw->serial] = raw;
    return raw;
}

void WindowSystem::DestroyNode(WindowNode& node) {
    Send(node, WM_DESTROY, 0, 0);
    while (!node.children.empty()) DestroyNode(*node.children.back());
    Forget(node);
    if (node.IsTopLevel() && UiHost::Current()) UiHost::Current()->WindowDestroyed(node);
    if (node.owner) node.owner->node_ = nullptr;
    if (node.stand_in) node.stand_in->node_ = nullptr;
    WindowNode* parent = node.parent;
    if (parent && parent->IsShown()) {
        Rect area = node.rect.Intersect(parent->ClientRect());
        Invalidate(*parent, area, true);
    }
    auto& list = parent ? parent->children : roots_;
    std::erase_if(list, [&](const auto& n) { return n.get() == &node; });
}

void WindowSystem::Forget(WindowNode& node) {
    std::erase_if(timers_, [&](const Timer& t) { return t.serial == node.serial; });
    if (capture == &node) capture = nullptr;
    std::lock_guard<std::mutex> hold(postedMutex_);
    live_.erase(node.serial);
}

WindowNode* WindowSystem::Find(std::uint64_t serial) {
    std::lock_guard<std::mutex> hold(postedMutex_);
    auto it = live_.find(serial);
    return it == live_.end() ? nullptr : it->second;
}

LRESULT WindowSystem::Send(WindowNode& node, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (node.owner) return node.owner->WindowProc(msg, wparam, lparam);
    return node.cls->procedure(node, msg, wparam, lparam);
}

void WindowSystem::Post(WindowNode& node, UINT msg, WPARAM wparam, LPARAM lparam) {
    {
        std::lock_guard<std::mutex> hold(postedMutex_);
        posted_.push_back({node.serial, msg, wparam, lparam});
    }
    if (UiHost::Current()) UiHost::Current()->Wake();
}

void WindowSystem::PostTask(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> hold(postedMutex_);
        tasks_.push_back(std::move(task));
    }
    if (UiHost::Current()) UiHost::Current()->Wake();
}

void WindowSystem::Invalidate(WindowNode& node, const Rect& clientArea, bool erase) {
    Rect area = clientArea.Intersect(node.ClientRect());
    if (area.IsEmpty()) return;
    node.invalid = node.invalid.Union(area);
    node.erase = node.erase || erase;
    for (const auto& child : node.children) {
        Point at{child->rect.left + child->Border(), child->rect.top + child->Border()};
        Invalidate(*child, area.Offset(-at.x, -at.y), true);
    }
}

bool WindowSystem::Paint(WindowNode& node) {
    if (!node.IsShown() || node.invalid.IsEmpty() || !node.Root().surface) return false;
    if (!node.IsTopLevel() && node.Root().iconic) {
        node.invalid = {};  // a minimised window shows its icon alone
        return false;
    }
    if (node.Border()) {
        Point o = node.SurfaceOrigin();
        Rect frame = node.ClientRect().Offset(o.x, o.y).Inflate(1);
        DC dc(node.Root().surface.get(), {}, frame);
        dc.FrameRect(frame, RGB(0, 0, 0));
    }
    ++node.paints;
    Send(node, WM_PAINT, 0, 0);
    node.invalid = {};  // a window that ignores the paint counts as painted
    node.erase = false;
    return true;
}

void WindowSystem::Update(WindowNode& node) { PaintTree(node); }

bool WindowSystem::PaintTree(WindowNode& node) {
    std::uint64_t serial = node.serial;
    bool painted = Paint(node);
    if (!Find(serial)) return painted;
    for (std::size_t i = 0; i < node.children.size(); ++i) painted = PaintTree(*node.children[i]) || painted;
    return painted;
}

bool WindowSystem::HasPendingPaint(const WindowNode& node) const {
    if (node.IsShown() && !node.invalid.IsEmpty()) return true;
    return std::any_of(node.children.begin(), node.children.end(),
                       [&](const auto& c) { return HasPendingPaint(*c); });
}

bool WindowSystem::HasPendingPaint() const {
    return std::any_of(roots_.begin(), roots_.end(), [&](const auto& r) { return HasPendingPaint(*r); });
}

std::uint64_t WindowSystem::Now() const {
    if (UiHost::Current()) return UiHost::Current()->clock().TickCount();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void WindowSystem::SetTimer(WindowNode& node, UINT id, UINT milliseconds) {
    KillTimer(node, id);
    timers_.push_back({node.serial, id, milliseconds, Now() + milliseconds});
}

void WindowSystem::KillTimer(WindowNode& node, UINT id) {
    std::erase_if(timers_, [&](const Timer& t) { return t.serial == node.serial && t.id == id; });
}

std::optional<std::uint64_t> WindowSystem::NextTimerDue() const {
    std::optional<std::uint64_t> next;
    for (const Timer& t : timers_)
        if (!next || t.due < *next) next = t.due;
    return next;
}

// Lets the host tell the user that a drive came or went.
void WindowSystem::NotifyDeviceChange(const Posted& p) {
    if (p.msg != WM_DEVICECHANGE || !UiHost::Current()) return;
    if (p.wparam == DBT_DEVICEARRIVAL) UiHost::Current()->DeviceChanged(true);
    if (p.wparam == DBT_DEVICEREMOVECOMPLETE) UiHost::Current()->DeviceChanged(false);
}

bool WindowSystem::DispatchPending() {
    bool any = false;
    std::deque<Posted> batch;
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> hold(postedMutex_);
        batch.swap(posted_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) {
        task();
        any = true;
    }
    for (const Posted& p : batch) {
        if (WindowNode* node = Find(p.serial)) {
            Send(*node, p.msg, p.wparam, p.lparam);
            NotifyDeviceChange(p);
            any = true;
        }
    }
    // A timer fires at most once per round; a late one is not caught up.
    std::uint64_t now = Now();
    std::vector<std::pair<std::uint64_t, UINT>> due;
    for (Timer& t : timers_) {
        if (t.due <= now) {
            due.emplace_back(t.serial, t.id);
            t.due = now + std::max<UINT>(t.interval, 1);
        }
    }
    for (auto [serial, id] : due) {
        if (WindowNode* node = Find(serial)) {
            Send(*node, WM_TIMER, id, 0);
            any = true;
        }
    }
    for (std::size_t i = 0; i < roots_.size(); ++i) any = PaintTree(*roots_[i]) || any;
    return any;
}

WindowNode* WindowSystem::HitTest(WindowNode& node, Point p) {
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
        WindowNode& child = **it;
        bool transparent = child.cls->name == kStaticClass ||
                           (child.cls->name == kButtonClass && (child.style & BS_TYPEMASK) == BS_GROUPBOX);
        if (transparent || !(child.style & WS_VISIBLE) || (child.style & WS_DISABLED)) continue;
        if (!child.rect.Contains(p)) continue;
        Point inner{p.x - child.rect.left - child.Border(), p.y - child.rect.top - child.Border()};
        return HitTest(child, inner);
    }
    return &node;
}

void WindowSystem::Mouse(WindowNode& root, UINT msg, Point p) {
    WindowNode* target = capture && &capture->Root() == &root ? capture : HitTest(root, p);
    Point origin = target->SurfaceOrigin();
    Send(*target, msg, 0, MAKELPARAM(p.x - origin.x, p.y - origin.y));
}

}  // namespace mendora::platform
