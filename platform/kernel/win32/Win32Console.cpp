#include <io.h>
#include "platform/kernel/win32/WindowsHeader.h"

#include "platform/kernel/Console.h"

namespace mendora::platform {

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

bool EnableTerminalSequences(std::FILE* stream) {
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
    constexpr DWORD ENABLE_VIRTUAL_TERMINAL_PROCESSING = 0x0004;
#endif
    HANDLE output = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

// A console waits on its handle; a pipe is asked how much it holds (a broken pipe is its
// end, which counts as input); a file always has input or its end.
bool WaitForInput(std::FILE* stream, long long milliseconds) {
    HANDLE input = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (input == INVALID_HANDLE_VALUE) return false;
    switch (GetFileType(input)) {
        case FILE_TYPE_CHAR:
            return WaitForSingleObject(input, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
        case FILE_TYPE_PIPE: {
            ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
            for (;;) {
                DWORD available = 0;
                if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) || available > 0) return true;
                if (GetTickCount64() >= until) return false;
                Sleep(10);
            }
        }
        default: return true;
    }
}

}  // namespace mendora::platform
