#pragma once
#include <cstdint>
#include <cstdio>

namespace mendora::platform {

// Whether the stream writes to a terminal (a console window on Windows).
bool IsTerminal(std::FILE* stream);
// The running process's id.
std::uint32_t CurrentProcessId();

}  // namespace mendora::platform

namespace mendora::platform {

// Waits up to the time for the stream to have input (or its end) to read; answers whether
// it has.
bool WaitForInput(std::FILE* stream, long long milliseconds);

}  // namespace mendora::platform
