#pragma once
#include "platform/kernel/AdminRights.h"

namespace mendora::platform {

// Administrator: effective uid 0, or CAP_SYS_RAWIO in the effective capability set
// (enough to send raw SCSI commands).
class LinuxAdminRights : public AdminRights {
public:
    std::optional<bool> IsAdministrator() override;
};

}  // namespace mendora::platform
