#pragma once
#include "platform/ui/Window.h"

namespace mendora::platform {

// The progress bar wrapper: its operations are the progress bar messages.
class ProgressCtrl : public Window {
public:
    int SetPos(int position) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    void SetRange32(int lower, int upper) {
        SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
    }
    void GetRange(int& lower, int& upper) {
        std::int32_t limits[2] = {0, 0};
        SendMessage(PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(limits));
        lower = limits[0];
        upper = limits[1];
    }
};

}  // namespace mendora::platform
