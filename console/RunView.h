#pragma once
#include <cstdint>
#include <string>

#include "platform/kernel/MessageHost.h"

namespace mendora {

// What the repair run needs of the main dialog. Called on the dialog thread only.
class RunView {
public:
    virtual ~RunView() = default;

    virtual bool CompleteChecked() = 0;        // radio button "Complete"
    virtual bool UpdateFirmwareChecked() = 0;  // check box "Update firmware"
    virtual void DisableStartButton() = 0;
    virtual void ShowStatusText(bool shown) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(int position) = 0;
    // Redraws the (hidden) bad-block pie with one slice of this span and sets the label.
    virtual void ShowBadBlocks(std::uint32_t spanDegrees, const std::string& label) = 0;
    // The dialog's timers 1, 2 and 3; they come back through RepairRun::OnTimer.
    virtual void StartTimer(int id, std::uint32_t milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    // A message box with the application's caption; answers kIdOk or kIdCancel.
    virtual int Message(const std::string& text, platform::MessageButtons buttons) = 0;
    // The re-plug window: created on first show, topmost without taking the focus; hidden,
    // never destroyed, until the dialog goes.
    virtual void ShowReplugPopup() = 0;
    virtual void HideReplugPopup() = 0;
    // Tells the user the run is finishing while Close waits for it.
    virtual void ShowClosing() = 0;
    virtual void End(int code) = 0;
};

}  // namespace mendora
