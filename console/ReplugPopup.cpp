#include "console/ReplugPopup.h"

#include "console/ConsoleStrings.h"
#include "resources/DialogResources.h"

namespace mendora {

ReplugPopup::ReplugPopup(platform::Resources& resources)
    : Dialog(ReplugPopupTemplate()), resources_(resources) {}

bool ReplugPopup::OnInitDialog() {
    Dialog::OnInitDialog();
    SetDlgItemText(1012, LoadConsoleString(resources_, kReplugString));
    return true;
}

}  // namespace mendora
