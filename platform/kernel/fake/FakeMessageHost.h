#pragma once
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/kernel/MessageHost.h"

namespace mendora::platform {

// Thrown by the fake in place of ending the process, so that a test can see the exit.
struct FatalExitCalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Records every message box and answers from a script (OK once the script is used up).
class FakeMessageHost : public MessageHost {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MessageButtons buttons;
    };

    std::vector<Shown> shown;
    std::deque<int> answers;
    std::vector<std::string> activated;
    bool windowExists = false;

    int MessageBox(const std::string& text, const std::string& caption,
                   MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;
    bool ActivateWindow(const std::string& title) override;
};

}  // namespace mendora::platform
