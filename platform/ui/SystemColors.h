#pragma once
#include "platform/ui/Types.h"

namespace mendora::platform {

// The fixed colour scheme of every host (a light grey 3-D look with a dark blue highlight).
COLORREF GetSysColor(int index);

}  // namespace mendora::platform
