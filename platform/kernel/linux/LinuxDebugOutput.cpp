#include "platform/kernel/linux/LinuxDebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace mendora::platform {

LinuxDebugOutput::LinuxDebugOutput() {
    const char* target = std::getenv("MENDORA_DEBUG");
    if (target != nullptr) target_ = target;
}

void LinuxDebugOutput::Write(const std::string& line) {
    if (target_.empty() || target_ == "0") return;
    std::lock_guard<std::mutex> hold(mutex_);
    if (target_ == "1") {
        std::fprintf(stderr, "%s\n", line.c_str());
        return;
    }
    std::ofstream(target_, std::ios::app | std::ios::binary) << line << '\n';
}

}  // namespace mendora::platform
