// What every host's text output shares: printf-style formatting and the argument list.
#include <cstdarg>

#include "platform/kernel/Console.h"

namespace mendora::platform {

int PrintText(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        return length;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.resize(static_cast<std::size_t>(length));
    WriteText(stream, text);
    return length;
}

}  // namespace mendora::platform
