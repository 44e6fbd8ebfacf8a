#pragma once
#include "platform/kernel/NamedMutex.h"

namespace mendora::platform {

// A name is an abstract Unix socket bound to it: binding fails while another process
// holds the name, and the kernel releases it when the holder ends.
class LinuxNamedMutexes : public NamedMutexes {
public:
    MutexClaim Create(const std::string& name) override;
};

}  // namespace mendora::platform
