#pragma once
#include <string>

namespace mendora::platform {

// The debugger output channel: one diagnostic line per call.
class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    virtual void Write(const std::string& line) = 0;
};

}  // namespace mendora::platform
