#pragma once
#include <cstdint>

#include "platform/kernel/AdminRights.h"
#include "platform/kernel/VersionQuery.h"

namespace mendora {

// Builds in this range (2000 to Server 2003) need administrator rights to start.
inline constexpr std::uint32_t kFirstGuardedBuild = 2195;
inline constexpr std::uint32_t kLastGuardedBuild = 5999;

// The OS build number, never above 65535; the 9x family reports fixed values below the
// guarded range; 0 when the version cannot be read.
std::uint32_t GetOsBuild(platform::VersionQuery& version);

// Non-zero when the caller has administrator rights; 0 also when the check fails.
std::uint32_t IsUserAdmin(platform::AdminRights& rights);

}  // namespace mendora
