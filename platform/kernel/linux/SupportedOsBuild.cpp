// The shipped program's choice: the supported platform's build, whatever the environment.
#include "platform/kernel/linux/LinuxVersionQuery.h"
#include "platform/kernel/linux/ReportedOsBuild.h"

namespace mendora::platform {

std::uint32_t ReportedOsBuild() { return kSupportedOsBuild; }

}  // namespace mendora::platform
