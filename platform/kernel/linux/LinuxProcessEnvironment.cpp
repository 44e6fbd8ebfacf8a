#include <cstdlib>

#include "platform/kernel/ProcessEnvironment.h"

namespace mendora::platform {

bool SetProcessEnvironment(const std::string& name, const std::string& value) {
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

std::string ProcessEnvironmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace mendora::platform
