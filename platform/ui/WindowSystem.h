#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/ui/Types.h"
#include "platform/ui/WindowNode.h"

namespace mendora::platform {

class UiHost;

// The process's window tree: top-level windows, mouse capture, posted messages, timers
// and pending paints. Everything but Post runs on the window thread.
class WindowSystem {
public:
    static WindowSystem& Get();

    WindowNode* CreateNode(const WindowClass& cls, WindowNode* parent);
    void DestroyNode(WindowNode& node);
    WindowNode* Find(std::uint64_t serial);
    const std::vector<std::unique_ptr<WindowNode>>& Roots() const { return roots_; }

    LRESULT Send(WindowNode& node, UINT msg, WPARAM wparam, LPARAM lparam);
    void Post(WindowNode& node, UINT msg, WPARAM wparam, LPARAM lparam);
    // Queues work for the window thread, run with the posted messages; safe from any thread.
    void PostTask(std::function<void()> task);

    void Invalidate(WindowNode& node, const Rect& clientArea, bool erase);
    // Paints the window now if it has an invalid part, then its children.
    void Update(WindowNode& node);
    bool HasPendingPaint() const;

    void SetTimer(WindowNode& node, UINT id, UINT milliseconds);
    void KillTimer(WindowNode& node, UINT id);
    std::optional<std::uint64_t> NextTimerDue() const;

    // One round of posted messages, due timers and paints; answers whether any happened.
    bool DispatchPending();

    WindowNode* capture = nullptr;

    // The deepest shown and enabled window under a point of a root's client area.
    WindowNode* HitTest(WindowNode& root, Point p);
    // Delivers a mouse message at a point of the root's client area to the window under
    // it, or to the window holding the capture.
    void Mouse(WindowNode& root, UINT msg, Point p);

private:
    struct Posted {
        std::uint64_t serial;
        UINT msg;
        WPARAM wparam;
        LPARAM lparam;
    };
    struct Timer {
        std::uint64_t serial;
        UINT id;
        UINT interval;
        std::uint64_t due;
    };

    void NotifyDeviceChange(const Posted& p);
    bool Paint(WindowNode& node);
    bool PaintTree(WindowNode& node);
    bool HasPendingPaint(const WindowNode& node) const;
    std::uint64_t Now() const;
    void Forget(WindowNode& node);

    std::vector<std::unique_ptr<WindowNode>> roots_;
    std::unordered_map<std::uint64_t, WindowNode*> live_;
    std::uint64_t nextSerial_ = 1;
    std::mutex postedMutex_;
    std::deque<Posted> posted_;
    std::deque<std::function<void()>> tasks_;
    std::vector<Timer> timers_;
};

}  // namespace mendora::platform
