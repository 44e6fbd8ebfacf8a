#pragma once
#include <string>

namespace mendora::platform {

enum class MessageButtons { Ok, OkCancel };
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// What the system asks of the user interface host outside its windows: message boxes,
// the fatal exit and bringing an existing top-level window to the front.
class MessageHost {
public:
    virtual ~MessageHost() = default;
    // Shows a modal message box; answers kIdOk or kIdCancel.
    virtual int MessageBox(const std::string& text, const std::string& caption,
                           MessageButtons buttons) = 0;
    // Shows the text, then ends the process.
    [[noreturn]] virtual void FatalExit(const std::string& text) = 0;
    // Brings the top-level window with this title to the front, restoring it when
    // minimised; answers whether one was found.
    virtual bool ActivateWindow(const std::string& title) = 0;
};

}  // namespace mendora::platform
