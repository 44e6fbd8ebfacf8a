#pragma once
#include <functional>
#include <map>
#include <string>

#include "platform/ui/Constants.h"
#include "platform/ui/DC.h"
#include "platform/ui/Font.h"
#include "platform/ui/Types.h"

namespace mendora::platform {

struct WindowNode;

// A window object. It may exist before (or after) its live window: Exists() tells. Messages
// sent to it go through its message map (handlers registered with OnMessage, the latest
// registration of a message winning) and otherwise to the default processing of the live
// window's class.
class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    bool Exists() const { return node_ != nullptr; }
    // Creates the live window of a registered class; rect is in the parent's client
    // coordinates (for a top-level window, on the screen).
    bool Create(const std::string& className, const std::string& text, std::uint32_t style,
                const Rect& rect, Window* parent, int id = 0);
    void DestroyWindow();

    LRESULT SendMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
    // Queues the message for the window's thread; safe from any thread.
    void PostMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
    // The class's processing of the message.
    LRESULT Default(UINT msg, WPARAM wparam, LPARAM lparam);

    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect* rect, bool erase = true);
    // RDW_INVALIDATE, RDW_ERASE and RDW_UPDATENOW.
    void RedrawWindow(UINT flags);
    void UpdateWindow();

    Rect GetClientRect() const;
    // The window's rectangle in its parent's client coordinates.
    Rect GetWindowRect() const;
    void MoveWindow(const Rect& rect);

    void SetCapture();
    static void ReleaseCapture();
    static Window* GetCapture();

    std::uint32_t GetStyle() const;
    void ModifyStyle(std::uint32_t remove, std::uint32_t add);
    int GetDlgCtrlID() const;
    Window* GetParent() const;
    Window* GetDlgItem(int id) const;
    const Font* GetFont();
    void SetFont(const Font* font, bool redraw = true);

    void SetWindowText(const std::string& text);
    std::string GetWindowText();

    // SW_SHOWNOACTIVATE shows a top-level window without taking the focus.
    void ShowWindow(int command);
    bool IsWindowVisible() const;
    // A top-level window stays above every other window from now on; it keeps its place
    // and size, and is not activated.
    void SetTopmost();
    bool IsTopmost() const;
    // Whether the user minimised the top-level window.
    bool IsIconic() const;
    void EnableWindow(bool enable);
    bool IsWindowEnabled() const;

    void SetTimer(UINT id, UINT milliseconds);
    void KillTimer(UINT id);

    // How many paint messages the window has received.
    int PaintCount() const;

    // Lets go of the live window; it stays in the tree and is answered by a stand-in object.
    void Detach();
    // Takes over the live window of another object: its messages come here from now on.
    bool SubclassWindow(Window& current);

    // The framework's side of the window; used by the hosts and the default procedures.
    WindowNode* Node() const { return node_; }
    static Window* FromNode(WindowNode* node);

protected:
    using Handler = std::function<LRESULT(WPARAM, LPARAM)>;
    void OnMessage(UINT msg, Handler handler);
    virtual LRESULT WindowProc(UINT msg, WPARAM wparam, LPARAM lparam);

private:
    friend struct WindowNode;
    friend class WindowSystem;
    WindowNode* node_ = nullptr;
    std::map<UINT, Handler> handlers_;
};

// The paint cycle of a window: begins painting (erasing first when asked) and ends it.
class PaintDC : public DC {
public:
    explicit PaintDC(Window& window);
    ~PaintDC() override;

private:
    Window& window_;
    Rect area_;  // surface coordinates
};

}  // namespace mendora::platform
