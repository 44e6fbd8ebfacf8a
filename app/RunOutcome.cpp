#include "app/RunOutcome.h"

#include "app/ExitStatus.h"
#include "console/ConsoleStrings.h"

namespace mendora {
namespace {

// The dialog's end code when the device library is missing.
constexpr int kLibraryMissingCode = 1;

}  // namespace

RunOutcome::RunOutcome(platform::MessageHost& host, platform::Resources& resources)
    : host_(host),
      completeText_(LoadConsoleString(resources, kRepairCompleteString)),
      failText_(LoadConsoleString(resources, kRepairFailString)),
      confirmText_(LoadConsoleString(resources, kConfirmString)) {}

int RunOutcome::MessageBox(const std::string& text, const std::string& caption, platform::MessageButtons buttons) {
    const int answer = host_.MessageBox(text, caption, buttons);
    std::lock_guard lock(mutex_);
    if (text.empty()) {
        otherBox_ = true;
    } else if (text == completeText_) {
        completed_ = true;
    } else if (text == failText_) {
        failed_ = true;
    } else if (text == confirmText_) {
        runStarted_ = runStarted_ || answer == platform::kIdOk;
    } else {
        otherBox_ = true;
    }
    return answer;
}

void RunOutcome::FatalExit(const std::string& text) { host_.FatalExit(text); }

bool RunOutcome::ActivateWindow(const std::string& title) { return host_.ActivateWindow(title); }

// A run that started and did not say "Repair complete" has erased the drive, however it
// ended; before a run, any box was a refusal.
int RunOutcome::ExitStatus(int dialogCode) const {
    std::lock_guard lock(mutex_);
    if (failed_) return kExitRepairFailed;
    if (completed_) return kExitRepaired;
    if (runStarted_) return kExitRepairFailed;
    if (otherBox_ || dialogCode == kLibraryMissingCode) return kExitRefused;
    return kExitRepaired;
}

}  // namespace mendora
