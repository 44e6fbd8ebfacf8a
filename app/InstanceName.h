#pragma once
#include <string>

#include "platform/kernel/NamedMutex.h"

namespace mendora {

// The name a running Mendora holds, so that a second start can tell.
inline constexpr const char* kInstanceName = "Quorvane-{8C8949E7-F928-4E90-B4BD-D709D274CC0E}";

// Where the claimed name is kept for the rest of the process (filled once, never released).
struct InstanceSlot {
    bool held = false;
};

// 1 when another holder of the name exists, else 0. Does nothing once the slot is filled.
int ClaimInstanceName(platform::NamedMutexes& mutexes, const std::string& name, InstanceSlot& slot);

}  // namespace mendora
