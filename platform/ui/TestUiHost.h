#pragma once
#include <atomic>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/UiHost.h"
#include "platform/ui/Window.h"

namespace mendora::platform {

// Time that passes only when asked: sleeping advances it at once.
class VirtualClock : public Clock {
public:
    std::uint64_t TickCount() override { return ticks_.load(); }
    void Sleep(std::uint32_t milliseconds) override { ticks_ += milliseconds; }
    std::int64_t CalendarTime() override { return 1'700'000'000 + static_cast<std::int64_t>(ticks_ / 1000); }
    TimeOfDay LocalTimeOfDay() override { return UtcTimeOfDay(CalendarTime()); }
    void Advance(std::uint64_t milliseconds) { ticks_ += milliseconds; }

private:
    std::atomic<std::uint64_t> ticks_{0};
};

// Thrown by the test host in place of ending the process.
struct TestFatalExit : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The headless host: virtual time for timers and sleeps, scripted answers to message
// boxes, scripted input for modal loops, and windows rendered to images.
class TestUiHost : public UiHost {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageButtons buttons;
    };

    std::vector<Shown> shown;  // every message box, in order
    std::deque<int> answers;   // answers to the next boxes; OK once used up
    std::vector<std::string> opened;  // every file opened for the user, in order

    Clock& clock() override { return clock_; }
    VirtualClock& virtualClock() { return clock_; }

    // Modal loops deliver what is pending, then run the next scripted step, then let
    // virtual time pass to the next timer. With nothing left, or after the time limit,
    // the loop is stalled: the dialog ends with IDCANCEL.
    void WaitAndDispatch() override;
    void Then(std::function<void()> step) { script_.push_back(std::move(step)); }
    bool Stalled() const { return stalled_; }
    void SetTimeLimit(std::uint64_t milliseconds) { limit_ = milliseconds; }

    // Delivers everything pending now; no time passes.
    void Pump();
    // Lets virtual time pass, firing timers as they fall due.
    void Advance(std::uint64_t milliseconds);

    // Input as the user would give it.
    void PressKey(Window& topLevel, WPARAM key);
    // A mouse message at a point of the window's client area, routed as the pointer would
    // be (to the window under it, or to the one holding the capture).
    void Mouse(Window& window, UINT msg, Point client);
    void Click(Window& control);

    // The window's client area as drawn, after painting what is pending.
    Bitmap Snapshot(Window& window);

    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override;
    bool OpenFile(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    [[noreturn]] void FatalExit(const std::string& text) override;

private:
    VirtualClock clock_;
    std::deque<std::function<void()>> script_;
    std::uint64_t limit_ = 24ull * 3600 * 1000;
    bool stalled_ = false;
};

}  // namespace mendora::platform
