#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace mendora::platform {

// A loaded dynamic library; unloaded when destroyed.
class Module {
public:
    virtual ~Module() = default;
    // The address of an exported entry point, or null.
    virtual void* Symbol(const std::string& name) = 0;
};

struct ModuleLoad {
    std::unique_ptr<Module> module;  // null when the load failed
    std::uint32_t errorCode = 0;     // the host's error code of a failed load
    std::string errorText;
};

inline constexpr std::uint32_t kUnknownLoadError = 0x20000000;

// Loads the dynamic library at a full path.
ModuleLoad LoadModuleFile(const std::string& path);

// Loads dynamic libraries by module name: "QDLL" is the file "QDLL.dll" beside the executable.
class ModuleLoader {
public:
    virtual ~ModuleLoader() = default;
    virtual ModuleLoad Load(const std::string& moduleName) = 0;
};

}  // namespace mendora::platform
