#include <cstdlib>
#include <string>

#include "platform/ui/UiHost.h"
#include "platform/ui/tty/TtyUiHost.h"
#include "platform/ui/win32/Win32UiHost.h"

namespace mendora::platform {

// MENDORA_UI=win32|tty; native windows unless another host is asked for.
std::unique_ptr<UiHost> CreateUiHost() {
    const char* choice = std::getenv("MENDORA_UI");
    std::string ui = choice && *choice ? choice : "win32";
    if (ui == "tty") return std::make_unique<TtyUiHost>();
    return std::make_unique<Win32UiHost>();
}

}  // namespace mendora::platform
