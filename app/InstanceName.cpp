#include "app/InstanceName.h"

namespace mendora {

int ClaimInstanceName(platform::NamedMutexes& mutexes, const std::string& name, InstanceSlot& slot) {
    if (slot.held) return 0;
    switch (mutexes.Create(name)) {
        case platform::MutexClaim::Created:
            slot.held = true;
            return 0;
        case platform::MutexClaim::AlreadyExists:
            slot.held = true;  // a handle to the existing name is kept as well
            return 1;
        case platform::MutexClaim::AccessDenied:
            return 1;
        case platform::MutexClaim::Failed:
            return 0;
    }
    return 0;
}

}  // namespace mendora
