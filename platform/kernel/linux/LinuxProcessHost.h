#pragma once
#include "platform/kernel/ProcessHost.h"

namespace mendora::platform {

class LinuxProcessHost : public ProcessHost {
public:
    std::string ExecutablePath() override;
    bool Spawn(const std::string& path) override;
    std::optional<int> RunToEnd(const std::string& path) override;
};

}  // namespace mendora::platform
