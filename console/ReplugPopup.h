#pragma once
#include "platform/kernel/Resources.h"
#include "platform/ui/Dialog.h"

namespace mendora {

// The small window that asks the user to unplug and replug the drive: a modeless,
// captionless popup on the desktop whose one text, control 1012, is string 18.
class ReplugPopup : public platform::Dialog {
public:
    explicit ReplugPopup(platform::Resources& resources);

protected:
    bool OnInitDialog() override;

private:
    platform::Resources& resources_;
};

}  // namespace mendora
