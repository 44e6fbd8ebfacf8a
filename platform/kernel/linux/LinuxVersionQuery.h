#pragma once
#include <cstdint>

#include "platform/kernel/VersionQuery.h"

namespace mendora::platform {

// The build number of the platform the system is made for (NT 5.1, Service Pack 3).
inline constexpr std::uint32_t kSupportedOsBuild = 2600;

// Reports NT 5.1, Service Pack 3, with the build number given at construction.
class LinuxVersionQuery : public VersionQuery {
public:
    explicit LinuxVersionQuery(std::uint32_t build = kSupportedOsBuild) : build_(build) {}
    std::optional<OsVersion> Query(VersionRecord record) override;

private:
    std::uint32_t build_;
};

}  // namespace mendora::platform
