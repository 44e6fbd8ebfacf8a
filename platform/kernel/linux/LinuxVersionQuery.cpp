#include "platform/kernel/linux/LinuxVersionQuery.h"

namespace mendora::platform {

std::optional<OsVersion> LinuxVersionQuery::Query(VersionRecord) {
    return OsVersion{5, 1, build_, 2, "Service Pack 3"};
}

}  // namespace mendora::platform
