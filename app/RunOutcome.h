#pragma once
#include <mutex>
#include <string>

#include "platform/kernel/MessageHost.h"
#include "platform/kernel/Resources.h"

namespace mendora {

// Passes the dialog's message boxes on to the host and learns from them how the dialog
// ended: the final "Repair complete" or "Repair fail", the confirmation that started a
// run, or any other box (a refusal or an error). Boxes may come from worker threads.
class RunOutcome : public platform::MessageHost {
public:
    RunOutcome(platform::MessageHost& host, platform::Resources& resources);

    int MessageBox(const std::string& text, const std::string& caption, platform::MessageButtons buttons) override;
    [[noreturn]] void FatalExit(const std::string& text) override;
    bool ActivateWindow(const std::string& title) override;

    // The process's exit status once the dialog has ended with `dialogCode`.
    int ExitStatus(int dialogCode) const;

private:
    platform::MessageHost& host_;
    std::string completeText_;
    std::string failText_;
    std::string confirmText_;
    mutable std::mutex mutex_;
    bool completed_ = false;
    bool failed_ = false;
    bool runStarted_ = false;
    bool otherBox_ = false;
};

}  // namespace mendora
