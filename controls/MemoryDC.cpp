#include "controls/MemoryDC.h"

#include "platform/ui/Constants.h"

namespace mendora {

using namespace platform;

MemoryDC::MemoryDC(DC* target) : target_(target), offScreen_(!target->IsPrinting()) {
    if (!offScreen_) {
        ShareOutputOf(*target);
        return;
    }
    rect_ = target->GetClipBox();
    CreateCompatibleDC(target);
    bitmap_ = Bitmap(rect_.Width(), rect_.Height());
    oldBitmap_ = SelectObject(&bitmap_);
    SetWindowOrg({rect_.left, rect_.top});
}

MemoryDC::~MemoryDC() {
    if (offScreen_) {
        target_->BitBlt(rect_.left, rect_.top, rect_.Width(), rect_.Height(), *this, rect_.left, rect_.top, SRCCOPY);
        SelectObject(oldBitmap_);
    } else {
        ReleaseOutput();
    }
}

}  // namespace mendora
