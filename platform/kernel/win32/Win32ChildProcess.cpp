// Children through CreateProcessW, each held in a job that ends it with this process; their
// output read by a thread of its own into a buffer that WaitForMultipleObjects can wait on.
#include "platform/kernel/win32/WindowsHeader.h"

#include <algorithm>
#include <cwctype>
#include <mutex>

#include "platform/kernel/ChildProcess.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {

struct ChildProcess::Host {
    HANDLE process = nullptr;
    HANDLE job = nullptr;
    HANDLE stopEvent = nullptr;  // named after the child; its StopRequests waits on it
    DWORD id = 0;
    bool ownGroup = false;
    bool ended = false;
    ChildEnd end;

    // The output: the pipe's read end, the thread that reads it, what it has read so far.
    HANDLE output = nullptr;
    HANDLE reader = nullptr;
    HANDLE outputReady = nullptr;  // set while there is something to take or the end
    std::mutex lock;
    std::string pending;
    bool outputEnded = false;
    bool outputTaken = true;  // the end has been handed on: nothing more to read
};

namespace {

// Quoted so that CommandLineToArgvW and the C runtime give the word back as it is:
// backslashes are doubled only where a quote follows them.
std::wstring QuotedArgument(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring CommandLineOf(const ChildLaunch& launch) {
    // The program's own name ends at the next quote: a path never holds one.
    std::wstring line = L"\"" + win32::WidePath(launch.program) + L"\"";
    for (const std::string& a : launch.arguments) line += L" " + QuotedArgument(win32::Widen(a));
    return line;
}

std::wstring UpperName(const std::wstring& entry) {
    // "=C:" entries keep their leading '='.
    std::wstring name = entry.substr(0, entry.find(L'=', 1));
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

// The environment block: ours with the launch's variables set over it (names compare
// without regard to case), or the launch's alone.
std::wstring EnvironmentBlockOf(const ChildLaunch& launch) {
    std::vector<std::wstring> overrides;
    for (const std::string& e : launch.environment) overrides.push_back(win32::Widen(e));
    std::vector<std::wstring> entries;
    if (!launch.wholeEnvironment) {
        for (const std::string& e : CurrentEnvironment()) {
            const std::wstring entry = win32::Widen(e);
            const bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                              [&](const std::wstring& o) { return UpperName(o) == UpperName(entry); });
            if (!replaced) entries.push_back(entry);
        }
    }
    entries.insert(entries.end(), overrides.begin(), overrides.end());
    std::wstring block;
    for (const auto& e : entries) block += e + L'\0';
    block += L'\0';
    return block;
}

HANDLE OpenInheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The handle a stream of the child gets; INVALID_HANDLE_VALUE when it cannot be opened.
// `owned` says whether the caller closes it after the start.
HANDLE StreamHandle(ChildOutput where, const std::string& file, DWORD standard, HANDLE pipeEnd, bool* owned) {
    *owned = where == ChildOutput::File || where == ChildOutput::Append || where == ChildOutput::Null;
    switch (where) {
        case ChildOutput::Inherit: return GetStdHandle(standard);
        case ChildOutput::Pipe: return pipeEnd;
        case ChildOutput::File: return OpenInheritable(win32::WidePath(file), GENERIC_WRITE, CREATE_ALWAYS);
        case ChildOutput::Append: return OpenInheritable(win32::WidePath(file), FILE_APPEND_DATA, OPEN_ALWAYS);
        case ChildOutput::Null: return OpenInheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    }
    return INVALID_HANDLE_VALUE;
}

DWORD WINAPI ReadChildOutput(void* parameter) {
    auto* host = static_cast<ChildProcess::Host*>(parameter);
    char buffer[8192];
    for (;;) {
        DWORD n = 0;
        const BOOL read = ReadFile(host->output, buffer, sizeof buffer, &n, nullptr);
        std::lock_guard hold(host->lock);
        if (!read || n == 0) {
            host->outputEnded = true;
            SetEvent(host->outputReady);
            return 0;
        }
        host->pending.append(buffer, n);
        SetEvent(host->outputReady);
    }
}

// A job that follows every process the child starts and, unless they are to be left
// running, ends them all once its last handle is closed: when this process ends, however it
// ends, no child outlives it.
HANDLE ChildJob(bool leaveRunning) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr || leaveRunning) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void CloseIfOpen(HANDLE& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

ChildProcess::ChildProcess() : host_(std::make_unique<Host>()) {}

ChildProcess::~ChildProcess() {
    if (Running()) {
        Terminate();
        Wait(std::chrono::milliseconds::max());
    }
    if (host_->reader != nullptr) {
        // A grandchild may still hold the pipe open: the read is cancelled, not waited for.
        if (WaitForSingleObject(host_->reader, 1000) != WAIT_OBJECT_0) {
            CancelSynchronousIo(host_->reader);
            WaitForSingleObject(host_->reader, INFINITE);
        }
        CloseIfOpen(host_->reader);
    }
    CloseIfOpen(host_->output);
    CloseIfOpen(host_->outputReady);
    CloseIfOpen(host_->stopEvent);
    CloseIfOpen(host_->process);
    CloseIfOpen(host_->job);
}

bool ChildProcess::Start(const ChildLaunch& launch, std::string* error) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    const bool piped = launch.output == ChildOutput::Pipe;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (piped) {
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return *error = win32::ErrorText(GetLastError()), false;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    }
    bool ownsIn = true, ownsOut = false, ownsErr = false;
    HANDLE in = OpenInheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = StreamHandle(launch.output, launch.outputFile, STD_OUTPUT_HANDLE, writeEnd, &ownsOut);
    HANDLE err = launch.errors == ChildOutput::Pipe
                     ? out
                     : StreamHandle(launch.errors, launch.errorFile, STD_ERROR_HANDLE, writeEnd, &ownsErr);
    auto closeStreams = [&] {
        if (ownsIn) CloseIfOpen(in);
        if (ownsOut) CloseIfOpen(out);
        if (ownsErr) CloseIfOpen(err);
        CloseIfOpen(writeEnd);
    };
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        const DWORD failed = GetLastError();
        closeStreams();
        CloseIfOpen(readEnd);
        return *error = "cannot open the streams of " + launch.program + ": " + win32::ErrorText(failed), false;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in, startup.hStdOutput = out, startup.hStdError = err;
    std::wstring commandLine = CommandLineOf(launch);
    std::wstring environment = EnvironmentBlockOf(launch);
    const std::wstring program = win32::WidePath(launch.program);
    // Suspended until it is in its job and its stop event exists: nothing it starts escapes
    // the job, and no stop request is missed.
    DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    if (launch.ownGroup) flags |= CREATE_NEW_PROCESS_GROUP;
    PROCESS_INFORMATION started{};
    const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                                        environment.data(), nullptr, &startup, &started);
    const DWORD failed = GetLastError();
    closeStreams();
    if (!created) {
        CloseIfOpen(readEnd);
        return *error = "cannot start " + launch.program + ": " + win32::ErrorText(failed), false;
    }
    host_->job = ChildJob(launch.leaveRunning);
    // Where this process is itself in a job that allows no nesting (before Windows 8), the
    // child runs without one of its own.
    if (host_->job != nullptr && !AssignProcessToJobObject(host_->job, started.hProcess)) CloseIfOpen(host_->job);
    host_->stopEvent = CreateEventW(nullptr, FALSE, FALSE, ChildStopEventName(started.dwProcessId).c_str());
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    host_->process = started.hProcess;
    host_->id = started.dwProcessId;
    host_->ownGroup = launch.ownGroup;
    host_->ended = false;
    host_->end = {};
    if (piped) {
        host_->output = readEnd;
        host_->outputReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        host_->outputEnded = false;
        host_->outputTaken = false;
        host_->reader = CreateThread(nullptr, 0, ReadChildOutput, host_.get(), 0, nullptr);
    }
    return true;
}

bool ChildProcess::Running() const { return host_->process != nullptr && !host_->ended; }

std::uint32_t ChildProcess::Id() const { return host_->id; }

bool ChildProcess::ReadOutput(std::string* text) {
    if (host_->outputReady == nullptr || host_->outputTaken) return false;
    std::lock_guard hold(host_->lock);
    text->append(host_->pending);
    host_->pending.clear();
    if (host_->outputEnded) {
        host_->outputTaken = true;
        return false;
    }
    ResetEvent(host_->outputReady);
    return true;
}

// A child of its own console group is sent the console's event, as a console window's
// Ctrl-C is (Windows delivers only Ctrl-Break to one group; wine delivers Ctrl-C to it and
// turns Ctrl-Break into the end of a thread). Every other request arrives through the
// child's stop event.
void ChildProcess::Stop(StopKind kind) {
    if (!Running()) return;
    if (kind == StopKind::Interrupt && host_->ownGroup &&
        GenerateConsoleCtrlEvent(UnderWine() ? CTRL_C_EVENT : CTRL_BREAK_EVENT, host_->id))
        return;
    if (host_->stopEvent != nullptr) SetEvent(host_->stopEvent);
}

void ChildProcess::Terminate() {
    if (host_->job != nullptr && host_->ownGroup) TerminateJobObject(host_->job, 1);
    if (Running()) TerminateProcess(host_->process, 1);
}

std::optional<ChildEnd> ChildProcess::Wait(std::chrono::milliseconds limit) {
    if (!Running()) return std::nullopt;
    const DWORD ms = limit == std::chrono::milliseconds::max()
                         ? INFINITE
                         : static_cast<DWORD>(std::min<long long>(limit.count(), INFINITE - 1));
    if (WaitForSingleObject(host_->process, ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(host_->process, &code);
    host_->ended = true;
    host_->end = {false, static_cast<int>(code)};
    return host_->end;
}

// The job counts the processes still in it; without a job only the child is followed.
std::optional<ChildEnd> ChildProcess::WaitGroup(std::chrono::milliseconds limit) {
    if (host_->process == nullptr) return std::nullopt;
    const bool forever = limit == std::chrono::milliseconds::max();
    const auto until = std::chrono::steady_clock::now() + (forever ? std::chrono::hours(24 * 365) : limit);
    if (Running() && !Wait(limit)) return std::nullopt;
    if (!host_->ownGroup || host_->job == nullptr) return host_->end;
    for (;;) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (!QueryInformationJobObject(host_->job, JobObjectBasicAccountingInformation, &accounting,
                                       sizeof accounting, nullptr) ||
            accounting.ActiveProcesses == 0)
            return host_->end;
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
        Sleep(10);
    }
}

void WaitForAny(const std::vector<ChildProcess*>& children, std::chrono::milliseconds limit) {
    std::vector<HANDLE> handles;
    for (ChildProcess* child : children) {
        const auto& host = *child->host_;
        if (host.outputReady != nullptr && !host.outputTaken) {
            handles.push_back(host.outputReady);
        } else if (child->Running()) {
            handles.push_back(host.process);
        }
    }
    // WaitForMultipleObjects takes 64 at most; the rest are looked at on the next call.
    if (handles.size() > MAXIMUM_WAIT_OBJECTS) handles.resize(MAXIMUM_WAIT_OBJECTS);
    const DWORD ms = static_cast<DWORD>(std::min<long long>(limit.count(), INFINITE - 1));
    if (handles.empty()) return;
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, ms);
}

std::vector<std::string> CurrentEnvironment() {
    std::vector<std::string> env;
    wchar_t* block = GetEnvironmentStringsW();
    if (block == nullptr) return env;
    for (const wchar_t* at = block; *at != L'\0'; at += wcslen(at) + 1) env.push_back(win32::Narrow(at, wcslen(at)));
    FreeEnvironmentStringsW(block);
    return env;
}

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }

bool FollowOrphans() { return true; }

}  // namespace mendora::platform
