#pragma once
#include <map>
#include <memory>

#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/TerminalMessageHost.h"
#include "platform/ui/UiHost.h"

namespace mendora::platform {

class SurfaceWindow;

// The desktop host on Windows: a native window per top-level window of the tree presents
// its software-drawn surface and turns the user's input into messages; message boxes are
// native; the event wait is MsgWaitForMultipleObjects.
class Win32UiHost : public UiHost {
public:
    Win32UiHost();
    ~Win32UiHost() override;

    Clock& clock() override { return clock_; }
    void WaitAndDispatch() override;

    void WindowShown(WindowNode& root, bool shown) override;
    void SurfaceChanged(WindowNode& root, const Rect& area) override;
    void WindowDestroyed(WindowNode& root) override;
    void TextChanged(WindowNode& node) override;
    void Raise(WindowNode& root) override;
    void TopmostChanged(WindowNode& root) override;
    void Wake() override;
    void Present() override;

    bool OpenFile(const std::string& path) override;
    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;

    // The native window showing a top-level window, or null (for tests).
    void* NativeHandle(WindowNode& root);
    // What the native window of a shown top-level window shows, read back from the screen.
    bool Grab(WindowNode& root, Bitmap* picture);

private:
    SurfaceWindow& WindowFor(WindowNode& root);
    void PressDefaultButtonOnce();

    Win32Clock clock_;
    const bool assumeYes_ = AssumeYesFromEnvironment();
    bool pressed_ = false;
    std::map<WindowNode*, std::unique_ptr<SurfaceWindow>> windows_;
};

}  // namespace mendora::platform
