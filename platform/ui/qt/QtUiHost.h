#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/kernel/linux/LinuxClock.h"
#include "platform/ui/TerminalMessageHost.h"
#include "platform/ui/UiHost.h"

class QApplication;
class QTranslator;
class QAbstractEventDispatcher;

namespace mendora::platform {

class Window;
class SurfaceWidget;

// The desktop host: each shown top-level window is a Qt widget showing the window's
// surface; pointer, Enter, Escape and closing become messages; message boxes are Qt
// message boxes that keep the window's timers running. With MENDORA_ASSUME_YES=1 the
// dialog's default button is pressed once and every box is written to stderr and answered
// OK, as the terminal host does.
class QtUiHost : public UiHost {
public:
    QtUiHost();
    ~QtUiHost() override;

    Clock& clock() override { return clock_; }
    void WaitAndDispatch() override;

    void WindowShown(WindowNode& root, bool shown) override;
    void SurfaceChanged(WindowNode& root, const Rect& area) override;
    void WindowDestroyed(WindowNode& root) override;
    void Raise(WindowNode& root) override;
    void TopmostChanged(WindowNode& root) override;
    void Wake() override;
    void Present() override;

    bool OpenFile(const std::string& path) override;
    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;

    // Writes the shown top-level window as Qt draws it to a PNG file.
    bool Grab(Window& topLevel, const std::string& path);

private:
    void PressDefaultButtonOnce();
    void LoadQtTranslations();
    // Runs when the process exits while a host is alive, which only Qt does (on losing
    // the display).
    static void ExitWhileAlive();
    static void WatchForExit();
    static QtUiHost* live_;
    bool lost_ = false;  // the display went away; Qt must not be entered again

    LinuxClock clock_;
    const bool assumeYes_ = AssumeYesFromEnvironment();
    bool pressed_ = false;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTranslator> translator_;  // Qt's own texts, such as the boxes' buttons
    QAbstractEventDispatcher* dispatcher_ = nullptr;
    std::map<WindowNode*, std::unique_ptr<SurfaceWidget>> widgets_;
};

}  // namespace mendora::platform
