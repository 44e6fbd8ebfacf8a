#include "resources/DialogResources.h"

#include "platform/ui/Constants.h"
#include "platform/ui/SystemColors.h"

namespace mendora {

using namespace platform;

DialogTemplate RepairDialogTemplate() {
    DialogTemplate t;
    t.caption = "Mendrix";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.cx = 179;
    t.cy = 129;
    t.pointSize = 9;
    constexpr std::uint32_t shown = WS_VISIBLE;
    t.items = {
        {kButtonClass, 1, "Repair", 21, 110, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | shown},
        {kButtonClass, 2, "Close", 95, 110, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | shown},
        {"PIE_CHART_CTRL", 1000, "Pie Chart", 77, 114, 99, 15, WS_TABSTOP},
        {kProgressClass, 1001, "Progress1", 3, 94, 165, 11, PBS_SMOOTH | WS_BORDER | shown},
        {kButtonClass, 1002, "Disk Information", 20, 5, 133, 56, BS_GROUPBOX | shown},
        {kButtonClass, 1003, "Repair Option", 108, 57, 68, 72, BS_GROUPBOX},
        {kButtonClass, 1004, "Fast", 119, 75, 34, 11, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
        {kButtonClass, 1005, "Complete", 109, 118, 67, 11, BS_AUTORADIOBUTTON},
        {kStaticClass, 1006, "Bad Blocks : 0.00 %", 12, 114, 73, 8, SS_LEFT},
        {kStaticClass, 1007, "", 29, 17, 116, 34, SS_LEFT | shown},
        {kButtonClass, 1008, "Update firmware", 55, 112, 57, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
        {kStaticClass, 1009, "", 18, 118, 91, 11, SS_LEFT},
        {kStaticClass, 1010, "", 3, 114, 5, 5, SS_ICON},
        {kStaticClass, 1011, "", 9, 65, 151, 24, SS_LEFT | shown},
    };
    return t;
}

DialogTemplate ReplugPopupTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | DS_MODALFRAME | DS_SETFONT;
    t.cx = 187;
    t.cy = 42;
    t.pointSize = 10;
    t.fontFace = "System";
    t.items = {{kStaticClass, 1012, "", 14, 15, 160, 11, SS_CENTER | WS_VISIBLE}};
    return t;
}

namespace {

constexpr int kIconSize = 32;

// A flash drive lying on its side: blue body, grey plug with two contacts, a green light.
Bitmap DrawDialogIcon() {
    Bitmap icon(kIconSize, kIconSize, GetSysColor(COLOR_BTNFACE));
    icon.Fill({2, 9, 23, 23}, RGB(0, 0, 0));
    icon.Fill({3, 10, 22, 22}, RGB(32, 72, 176));
    icon.Fill({22, 11, 31, 21}, RGB(0, 0, 0));
    icon.Fill({22, 12, 30, 20}, RGB(192, 192, 192));
    icon.Fill({25, 13, 28, 15}, RGB(64, 64, 64));
    icon.Fill({25, 17, 28, 19}, RGB(64, 64, 64));
    icon.Fill({6, 14, 9, 18}, RGB(0, 224, 0));
    return icon;
}

// A red disc with a white bar: a block that failed.
Bitmap DrawBadBlockIcon() {
    Bitmap icon(kIconSize, kIconSize, GetSysColor(COLOR_BTNFACE));
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            int dx = 2 * x + 1 - kIconSize, dy = 2 * y + 1 - kIconSize;
            if (dx * dx + dy * dy <= 28 * 28) icon.SetPixel(x, y, RGB(208, 0, 0));
        }
    icon.Fill({8, 14, 24, 18}, RGB(255, 255, 255));
    return icon;
}

}  // namespace

const Bitmap& IconResource(std::uint16_t id) {
    static const Bitmap dialogIcon = DrawDialogIcon();
    static const Bitmap badBlockIcon = DrawBadBlockIcon();
    static const Bitmap none;
    if (id == kDialogIcon) return dialogIcon;
    if (id == kBadBlockIcon) return badBlockIcon;
    return none;
}

}  // namespace mendora
