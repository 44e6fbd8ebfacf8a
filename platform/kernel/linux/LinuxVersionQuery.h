#pragma once
#include "platform/kernel/VersionQuery.h"

namespace mendora::platform {

// Reports the platform the system is made for: NT 5.1, build 2600, Service Pack 3.
// MENDORA_OS_BUILD=<0..65535> reports another build, so that the behaviour on other
// platforms can be tried out (for example 6000 for the first build past the rights gate).
class LinuxVersionQuery : public VersionQuery {
public:
    std::optional<OsVersion> Query(VersionRecord record) override;
};

}  // namespace mendora::platform
