#pragma once
// A helper program a test starts with arguments and ends at once when it likes, on every host.
#include <string>
#include <vector>

#if defined(_WIN32)
#include "platform/kernel/win32/WindowsHeader.h"
#include "platform/kernel/win32/Win32Text.h"
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace mendora::testing {

class ChildProcess {
public:
    // program: a full path with '/' separators.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
#if defined(_WIN32)
        std::string line = Quoted(platform::win32::NativePath(program));
        for (const auto& a : arguments) line += " " + Quoted(a);
        std::wstring wide = platform::win32::Widen(line);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
            CloseHandle(started.hThread);
            process_ = started.hProcess;
        }
#else
        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
#endif
    }
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const {
#if defined(_WIN32)
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }

    // Ends it at once, as a crash would, and waits until it is gone.
    void Kill() {
#if defined(_WIN32)
        if (process_ == nullptr) return;
        TerminateProcess(process_, 9);
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
        process_ = nullptr;
#else
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
#endif
    }

    // Waits for it to end by itself; answers its exit code (-1 when it did not exit).
    int Wait() {
        int code = -1;
#if defined(_WIN32)
        if (process_ == nullptr) return code;
        WaitForSingleObject(process_, INFINITE);
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process_, &exitCode)) code = static_cast<int>(exitCode);
        CloseHandle(process_);
        process_ = nullptr;
#else
        if (pid_ <= 0) return code;
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) code = WEXITSTATUS(status);
        pid_ = -1;
#endif
        return code;
    }

private:
#if defined(_WIN32)
    static std::string Quoted(const std::string& word) { return "\"" + word + "\""; }
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
};

}  // namespace mendora::testing
