#include "platform/kernel/ChildProcess.h"

namespace mendora::platform {

std::string DescribeEnd(const ChildEnd& end) {
    return (end.signalled ? "killed by signal " : "exited ") + std::to_string(end.code);
}

}  // namespace mendora::platform
