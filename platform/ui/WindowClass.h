#pragma once
#include <string>

#include "platform/ui/Types.h"

namespace mendora::platform {

struct WindowNode;
// The behaviour of a class's live windows when their object does not handle a message.
using WindowProcedure = LRESULT (*)(WindowNode& window, UINT msg, WPARAM wparam, LPARAM lparam);

// The generic default processing (text, font, erasing with the class background, paint
// validation).
LRESULT DefaultWindowProcedure(WindowNode& window, UINT msg, WPARAM wparam, LPARAM lparam);

inline constexpr COLORREF kNoBackground = 0xFFFFFFFF;

struct WindowClass {
    std::string name;
    std::uint32_t style = 0;
    WindowProcedure procedure = DefaultWindowProcedure;
    int cursor = 0;                       // IDC_* id, 0 for the arrow
    COLORREF background = kNoBackground;  // erase colour
};

// Registers a class by name; answers false when the name is taken (the class stays).
bool RegisterWindowClass(const WindowClass& cls);
const WindowClass* FindWindowClass(const std::string& name);

}  // namespace mendora::platform
