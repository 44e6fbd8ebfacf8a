// The packaged build's choice: a stall costs its whole timeout, whatever the environment.
#include "platform/scsi/StallWait.h"

namespace mendora::platform {

std::uint32_t StallWaitMs(std::uint32_t timeoutSeconds) { return timeoutSeconds * 1000u; }

}  // namespace mendora::platform
