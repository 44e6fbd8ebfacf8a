#pragma once
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/NativeKernel.h"
#include "platform/kernel/StopRequests.h"
#include "platform/ui/TerminalMessageHost.h"
#include "platform/ui/UiHost.h"

namespace mendora::platform {

// The terminal host: the active dialog is printed as text (caption, texts, buttons, a
// progress line) whenever it changes; an empty line on the input presses Enter, "c" or
// Escape cancels. With MENDORA_ASSUME_YES=1 the default button is pressed once and every
// message box is answered OK. Without input and without timers the dialog is cancelled
// rather than left waiting forever.
// Ctrl-C, a termination request or a closed terminal presses Cancel in the active dialog,
// which lets a step under way on the drive finish; a further request says what is awaited.
class TtyUiHost : public UiHost {
public:
    TtyUiHost();
    TtyUiHost(std::FILE* input, std::FILE* output, bool interactive, bool assumeYes);
    ~TtyUiHost() override;

    Clock& clock() override { return clock_; }
    void WaitAndDispatch() override;
    bool DrawsText() const override { return false; }

    // A top-level window other than the active dialog (a modeless popup) prints its texts
    // when it is shown.
    void WindowShown(WindowNode& root, bool shown) override;
    void TextChanged(WindowNode&) override { dirty_ = true; }
    // A line of its own for each drive removal and arrival, so that a person re-plugging
    // a drive sees that it was noticed.
    void DeviceChanged(bool arrival) override;

    void Present() override { Print(); }

    int MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;

private:
    void Print();
    bool ReadKey(long long waitMilliseconds);
    void OnStopRequest(int count);
    bool CancelOnStopRequest();

    NativeClock clock_;
    TerminalMessageHost terminal_;
    std::FILE* input_;
    std::FILE* output_;
    bool interactive_;
    bool assumeYes_;
    bool pressed_ = false;
    bool inputClosed_ = false;
    bool dirty_ = true;
    std::vector<std::string> lastLines_;
    std::string lastProgress_;
    std::atomic<int> stops_{0};
    int stopsHandled_ = 0;
    std::unique_ptr<StopRequests> stopRequests_;
};

}  // namespace mendora::platform
