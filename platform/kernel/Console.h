#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

namespace mendora::platform {

// The programs keep their texts in UTF-8 and print through these.

// Writes the text to the stream. A Windows console gets it in UTF-16, so that every
// character shows whatever the console's code page; a file or a pipe gets the UTF-8 bytes
// as they are, on every host.
void WriteText(std::FILE* stream, std::string_view text);

// printf into WriteText.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
int PrintText(std::FILE* stream, const char* format, ...);

// Text for the user from a program that may have no console: mendora on Windows is a
// window program, which Windows starts without one. Written to the stream when it leads
// somewhere (a terminal, a file, a pipe); else to the console of the program that started
// this one, when there is one; else shown in a message box with the title.
void ShowProgramText(std::FILE* stream, std::string_view text, const std::string& title);

// The program's arguments in UTF-8. On Windows they are read again from the UTF-16
// command line, where argv spells what the ANSI code page cannot as '?'; elsewhere they
// are argv itself.
class ProgramArguments {
public:
    ProgramArguments(int argc, char** argv);
    int Count() const { return static_cast<int>(pointers_.size()) - 1; }
    char** Values() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

}  // namespace mendora::platform
