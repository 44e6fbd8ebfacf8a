#include <cstdlib>
#include <cstring>

#include "platform/ui/UiHost.h"
#include "platform/ui/qt/QtUiHost.h"
#include "platform/ui/tty/TtyUiHost.h"

namespace mendora::platform {
namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

std::unique_ptr<UiHost> CreateUiHost() {
    const char* choice = std::getenv("MENDORA_UI");
    std::string ui = choice && *choice ? choice : (Set("DISPLAY") || Set("WAYLAND_DISPLAY") ? "qt" : "tty");
    if (ui == "qt") return std::make_unique<QtUiHost>();
    return std::make_unique<TtyUiHost>();
}

}  // namespace mendora::platform
