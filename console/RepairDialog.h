#pragma once
#include "platform/kernel/Kernel.h"

namespace mendora {

// The main dialog. For now it ends at once: the repair console replaces it.
class RepairDialog {
public:
    explicit RepairDialog(platform::Kernel& kernel) : kernel_(kernel) {}
    int DoModal();

private:
    platform::Kernel& kernel_;
};

}  // namespace mendora
