#pragma once
#include "platform/ui/DC.h"

namespace mendora {

// An off-screen context over the target's clip box: drawing uses the target's
// coordinates, and destruction copies the picture to the target in one step. On a
// printing context it draws straight to the target.
class MemoryDC : public platform::DC {
public:
    explicit MemoryDC(platform::DC* target);
    ~MemoryDC() override;

private:
    platform::Bitmap bitmap_;
    platform::Bitmap* oldBitmap_ = nullptr;
    platform::DC* target_;
    platform::Rect rect_;
    bool offScreen_;
};

}  // namespace mendora
