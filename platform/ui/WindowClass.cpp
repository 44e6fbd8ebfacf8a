#include "platform/ui/WindowClass.h"

#include <map>
#include <memory>

namespace mendora::platform {

void RegisterStandardClasses();  // StandardControls.cpp

namespace {

std::map<std::string, std::unique_ptr<WindowClass>>& Classes() {
    static std::map<std::string, std::unique_ptr<WindowClass>> classes;
    return classes;
}

void EnsureStandard() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterStandardClasses();
}

}  // namespace

bool RegisterWindowClass(const WindowClass& cls) {
    EnsureStandard();
    auto& classes = Classes();
    if (cls.name.empty() || classes.count(cls.name)) return false;
    classes.emplace(cls.name, std::make_unique<WindowClass>(cls));
    return true;
}

const WindowClass* FindWindowClass(const std::string& name) {
    EnsureStandard();
    auto it = Classes().find(name);
    return it == Classes().end() ? nullptr : it->second.get();
}

}  // namespace mendora::platform
