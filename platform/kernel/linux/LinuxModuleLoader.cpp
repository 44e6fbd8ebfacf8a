#include "platform/kernel/linux/LinuxModuleLoader.h"

#include <dlfcn.h>

#include <cerrno>

namespace mendora::platform {

namespace {

class SharedObject : public Module {
public:
    explicit SharedObject(void* handle) : handle_(handle) {}
    ~SharedObject() override { ::dlclose(handle_); }
    void* Symbol(const std::string& name) override { return ::dlsym(handle_, name.c_str()); }

private:
    void* handle_;
};

}  // namespace

ModuleLoad LoadModuleFile(const std::string& path) {
    ModuleLoad load;
    errno = 0;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        load.errorCode = errno != 0 ? static_cast<std::uint32_t>(errno) : kUnknownLoadError;
        const char* why = ::dlerror();
        load.errorText = why != nullptr ? why : path;
        return load;
    }
    load.module = std::make_unique<SharedObject>(handle);
    return load;
}

ModuleLoad LinuxModuleLoader::Load(const std::string& moduleName) {
    ModuleLoad load;
    std::string exe = process_.ExecutablePath();
    std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos || moduleName.find('/') != std::string::npos) {
        load.errorCode = kUnknownLoadError;
        load.errorText = "no module directory for " + moduleName;
        return load;
    }
    return LoadModuleFile(exe.substr(0, slash + 1) + moduleName + ".dll");
}

}  // namespace mendora::platform
