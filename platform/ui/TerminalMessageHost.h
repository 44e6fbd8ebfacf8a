#pragma once
#include <atomic>
#include <cstdio>

#include "platform/kernel/MessageHost.h"

namespace mendora::platform {

// MENDORA_ASSUME_YES=1: the hosts press the dialog's default button once and answer every
// message box OK, for unattended runs.
bool AssumeYesFromEnvironment();

// Message boxes as text on stderr. With MENDORA_ASSUME_YES=1 every box is answered OK;
// otherwise a terminal on stdin is asked (Enter is OK, "c" then Enter is Cancel), and
// without one an OK box answers OK and an OK/Cancel box answers Cancel. A request to stop
// counted in `stops` while a box waits answers it as Cancel (OK when it has no Cancel).
class TerminalMessageHost : public MessageHost {
public:
    TerminalMessageHost();
    TerminalMessageHost(std::FILE* input, std::FILE* output, bool interactive, bool assumeYes);

    void WatchStops(const std::atomic<int>* stops) { stops_ = stops; }

    int MessageBox(const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;
    bool ActivateWindow(const std::string& title) override;

private:
    int Ask(MessageButtons buttons);
    bool WaitForLine(char* line, int size);

    std::FILE* input_;
    std::FILE* output_;
    bool interactive_;
    bool assumeYes_;
    const std::atomic<int>* stops_ = nullptr;
};

}  // namespace mendora::platform
