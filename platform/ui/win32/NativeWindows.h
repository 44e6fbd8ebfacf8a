#pragma once
// Native top-level windows and message boxes, behind an interface free of <windows.h>, whose
// macros clash with the window framework's own names.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mendora::platform::win32 {

enum class MouseKind { LeftDown, LeftUp, Move };

// What a native window asks of the window it presents.
class NativeWindowOwner {
public:
    virtual ~NativeWindowOwner() = default;
    // The picture to show, 0x00RRGGBB per pixel, row after row.
    virtual void Picture(std::vector<std::uint32_t>* pixels, int* width, int* height) = 0;
    virtual void Mouse(MouseKind kind, int x, int y) = 0;
    virtual bool CrossCursorAt(int x, int y) = 0;
    virtual void Key(bool escape) = 0;  // Enter or Escape
    virtual void Close() = 0;
    virtual void Minimised(bool minimised) = 0;
};

class NativeWindow {
public:
    // A window whose client area is width x height; popup without a caption: no title bar.
    NativeWindow(NativeWindowOwner& owner, const std::string& title, int width, int height, bool captionless);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    void Show(bool activate);
    void Hide();
    void Invalidate(int left, int top, int width, int height);
    void Raise();
    void MakeTopmost();
    void SetTitle(const std::string& title);
    // 0x00RRGGBB pixels; used as both the big and the small icon.
    void SetIcon(const std::vector<std::uint32_t>& pixels, int width, int height);
    // Paints what is invalid now.
    void Update();
    // What the window shows in its client area, read back from the screen; false when it
    // cannot be read.
    bool Capture(std::vector<std::uint32_t>* pixels, int* width, int* height);
    void* Handle() const { return window_; }

private:
    NativeWindowOwner& owner_;
    void* window_ = nullptr;
    void* icon_ = nullptr;
};

// MessageBox with OK, or OK and Cancel; answers 1 (OK) or 2 (Cancel).
int NativeMessageBox(const std::string& text, const std::string& caption, bool okCancel, void* owner);
// Opens a file in the program Windows associates with it.
bool OpenWithShell(const std::string& path);

// Waits up to the time for window input or a wake-up (MsgWaitForMultipleObjects), then
// dispatches the window messages that arrived; answers whether any did.
bool WaitForWindowMessages(long long milliseconds);
// Dispatches window messages waiting now; answers whether any were.
bool DispatchWindowMessages();
// Ends a wait of the window thread, from any thread.
void WakeWindowThread();

}  // namespace mendora::platform::win32
