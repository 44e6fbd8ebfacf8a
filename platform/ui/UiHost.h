#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/kernel/MessageHost.h"
#include "platform/ui/Types.h"

namespace mendora::platform {

class Dialog;
struct WindowNode;

// The host the window tree lives in: it shows top-level windows, turns the user's input
// into messages, waits for input and timers, and shows message boxes. One host is current
// at a time; constructing a host makes it current.
class UiHost : public MessageHost {
public:
    UiHost();
    ~UiHost() override;
    UiHost(const UiHost&) = delete;
    UiHost& operator=(const UiHost&) = delete;

    static UiHost* Current();

    // The clock of timers and of the system's sleeps.
    virtual Clock& clock() = 0;
    // Waits for input or the next timer, then dispatches what arrived. Modal loops call
    // it until their dialog ends.
    virtual void WaitAndDispatch() = 0;
    // Whether the windows' texts reach the user as drawn pixels (and so need a font face),
    // rather than as text the host prints.
    virtual bool DrawsText() const { return true; }
    // Opens a file (such as a picture) in the program the desktop uses for it; false when
    // the host has no such program.
    virtual bool OpenFile(const std::string&) { return false; }

    // Brings a top-level window with the title to the front: one of this process, else
    // the one another process shows (see WindowActivationListener).
    bool ActivateWindow(const std::string& title) override;

    // Notifications from the window tree, on the window thread.
    virtual void WindowShown(WindowNode& root, bool shown);
    virtual void SurfaceChanged(WindowNode& root, const Rect& area);
    virtual void WindowDestroyed(WindowNode& root);
    virtual void TextChanged(WindowNode& node);
    virtual void Raise(WindowNode& root);
    virtual void TopmostChanged(WindowNode& root);
    // A drive arrival (true) or removal was delivered to a window.
    virtual void DeviceChanged(bool arrival);
    // A message was posted, possibly from another thread.
    virtual void Wake() {}
    // Puts what the windows painted in front of the user now, for a window thread that is
    // about to block.
    virtual void Present() {}

    void PushModal(Dialog& dialog) { modal_.push_back(&dialog); }
    void PopModal() { modal_.pop_back(); }
    Dialog* ActiveModal() const { return modal_.empty() ? nullptr : modal_.back(); }

    // The display went away: every modal dialog, the innermost first, is closed as if the
    // user closed it, so that work under way stops and its threads end.
    void CloseDialogsOnHostLoss();

protected:
    // Delivers posted messages and due timers, then paints what is invalid; answers
    // whether anything was delivered or painted.
    bool DispatchPending();
    // Milliseconds until the next timer is due, or -1 without timers.
    long long MillisecondsToNextTimer();

private:
    std::vector<Dialog*> modal_;
    UiHost* previous_ = nullptr;
};

// The host chosen by MENDORA_UI=qt|tty; without it qt when DISPLAY or WAYLAND_DISPLAY is
// set, else tty.
std::unique_ptr<UiHost> CreateUiHost();

}  // namespace mendora::platform
