#include <poll.h>
#include <unistd.h>

#include "platform/kernel/Console.h"

namespace mendora::platform {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

bool EnableTerminalSequences(std::FILE* stream) { return IsTerminal(stream); }

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

bool WaitForInput(std::FILE* stream, long long milliseconds) {
    pollfd fd{::fileno(stream), POLLIN, 0};
    return ::poll(&fd, 1, static_cast<int>(milliseconds)) > 0;
}

}  // namespace mendora::platform
