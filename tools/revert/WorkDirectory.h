#pragma once
#include <string>

#include "platform/kernel/Kernel.h"
#include "platform/kernel/ModuleLoader.h"

namespace mendora::revert_tool {

// A private directory of this run under the user's temporary root, holding the device
// library QDLL.dll and the revert images unpacked from the embedded RBootCode.r into
// "RevertBoot"; empty on failure, with the reason in *error.
std::string PrepareWorkDirectory(platform::Kernel& kernel, std::string* error);
void RemoveWorkDirectory(const std::string& directory);

// Loads modules from a work directory rather than from beside the executable.
class WorkDirectoryModules : public platform::ModuleLoader {
public:
    explicit WorkDirectoryModules(std::string directory) : directory_(std::move(directory)) {}
    platform::ModuleLoad Load(const std::string& moduleName) override {
        return platform::LoadModuleFile(directory_ + "/" + moduleName + ".dll");
    }

private:
    std::string directory_;
};

}  // namespace mendora::revert_tool
