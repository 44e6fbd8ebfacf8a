// The shipped program's choice: the build Windows itself reports.
#include "platform/kernel/ReportedOsBuild.h"

namespace mendora::platform {

std::uint32_t ReportedOsBuild() { return kOsBuildFromHost; }

}  // namespace mendora::platform
