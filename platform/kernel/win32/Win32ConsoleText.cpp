// Text output on Windows. A console is written in UTF-16 (WriteConsoleW), which shows every
// character whatever its code page, and is left as it was; a file or a pipe gets the UTF-8
// bytes unchanged, so that what a script captures is the same on every host.
#include <io.h>

#include <algorithm>
#include "platform/kernel/win32/WindowsHeader.h"
#include <shellapi.h>

#include "platform/kernel/Console.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

HANDLE StreamHandle(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    if (descriptor < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0;
}

// Whether what is written to the stream reaches anything: a window program started
// without redirection has no standard handles at all.
bool LeadsSomewhere(std::FILE* stream) {
    const HANDLE handle = StreamHandle(stream);
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool WriteToConsole(HANDLE console, std::string_view text) {
    const std::wstring wide = win32::Widen(std::string(text));
    std::size_t done = 0;
    while (done < wide.size()) {
        // Large writes are refused by some consoles: a few kilobytes at a time.
        const DWORD chunk = static_cast<DWORD>((std::min<std::size_t>)(wide.size() - done, 8192));
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// The console of the program that started this one, for a window program started from a
// command prompt: standard output and error are opened on it, unless redirected elsewhere.
bool AttachParentConsole() {
    const bool outputLeads = LeadsSomewhere(stdout);
    const bool errorLeads = LeadsSomewhere(stderr);
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    if (!outputLeads) std::freopen("CONOUT$", "w", stdout);
    if (!errorLeads) std::freopen("CONOUT$", "w", stderr);
    return true;
}

}  // namespace

void WriteText(std::FILE* stream, std::string_view text) {
    const HANDLE handle = StreamHandle(stream);
    if (IsConsole(handle)) {
        std::fflush(stream);
        if (WriteToConsole(handle, text)) return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
}

void ShowProgramText(std::FILE* stream, std::string_view text, const std::string& title) {
    if (LeadsSomewhere(stream) || AttachParentConsole()) {
        WriteText(stream, text);
        std::fflush(stream);
        return;
    }
    const UINT icon = stream == stderr ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, win32::Widen(std::string(text)).c_str(), win32::Widen(title).c_str(), MB_OK | icon);
}

ProgramArguments::ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr && count == argc) {
        for (int i = 0; i < count; ++i) texts_.push_back(win32::Narrow(wide[i]));
    } else {
        for (int i = 0; i < argc; ++i) texts_.push_back(argv[i]);
    }
    if (wide != nullptr) LocalFree(wide);
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
}

}  // namespace mendora::platform
