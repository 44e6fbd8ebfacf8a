#include "console/ReplugWatch.h"

namespace mendora {

void ReplugWatch::ClearEvents() {
    removalEvent_ = false;
    arrivalEvent_ = false;
    quietTicks_ = 0;
}

void ReplugWatch::Restart() {
    ClearEvents();
    removalSeen_ = false;
    arrivalSeen_ = false;
}

bool ReplugWatch::Tick() {
    if (removalSeen_ && arrivalSeen_) {
        if (removalEvent_ || arrivalEvent_) {
            ClearEvents();
            return false;
        }
        ++quietTicks_;
        if (quietTicks_ > kQuietTicks && !released_) {
            released_ = true;
            return true;
        }
        return false;
    }
    // A removal and an arrival within one tick count as a removal only.
    if (removalEvent_) {
        removalSeen_ = true;
        ClearEvents();
    } else if (arrivalEvent_) {
        arrivalSeen_ = true;
        ClearEvents();
    }
    return false;
}

}  // namespace mendora
