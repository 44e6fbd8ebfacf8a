#pragma once
#include <mutex>

#include "platform/kernel/DebugOutput.h"

namespace mendora::platform {

// MENDORA_DEBUG=1: lines go to stderr; MENDORA_DEBUG=<path>: appended to that file;
// unset: dropped.
class LinuxDebugOutput : public DebugOutput {
public:
    LinuxDebugOutput();
    void Write(const std::string& line) override;

private:
    std::mutex mutex_;
    std::string target_;
};

}  // namespace mendora::platform
