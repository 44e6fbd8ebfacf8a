#pragma once
#include <cstdint>
#include <cstdio>

namespace mendora::platform {

// Whether the stream writes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);
// Whether the stream is a terminal that takes control sequences (cursor up, erase line),
// switched on where the console has to be asked for them (the Windows console since
// Windows 10); false for a pipe, a file or a console without them.
bool EnableTerminalSequences(std::FILE* stream);
// The running process's id.
std::uint32_t CurrentProcessId();

}  // namespace mendora::platform

namespace mendora::platform {

// Waits up to the time for the stream to have input (or its end) to read; answers whether
// it has.
bool WaitForInput(std::FILE* stream, long long milliseconds);

}  // namespace mendora::platform
