#pragma once
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/ProcessHost.h"

namespace mendora::platform {

// Modules are shared objects named "<module>.dll" in the directory of the executable.
class LinuxModuleLoader : public ModuleLoader {
public:
    explicit LinuxModuleLoader(ProcessHost& process) : process_(process) {}
    ModuleLoad Load(const std::string& moduleName) override;

private:
    ProcessHost& process_;
};

}  // namespace mendora::platform
