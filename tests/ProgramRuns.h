#pragma once
// Running built programs from a test the way a user does, through the platform's child
// processes, and watching the files they write: one kit for every host.
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/ChildProcess.h"
#include "platform/kernel/NativeKernel.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace mendora::testing {

// The whole file, read while its writer may still have it open (UTF-8 path on every host).
inline std::string ReadText(const std::string& path) {
    platform::NativeFileSystem files;
    auto file = files.Open(path, platform::OpenMode::ReadShared);
    if (!file) return {};
    std::string text(static_cast<std::size_t>(file->Length()), '\0');
    const long n = file->Read(text.data(), text.size());
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Waits up to `seconds` for a file to hold a text.
inline bool WaitForText(const std::string& path, const std::string& text, int seconds = 240) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (Contains(ReadText(path), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Runs a program with its input empty and its output and errors appended to `output` (and
// those of any program it starts with its streams); `environment` is set over ours, or is
// the whole environment when `whole`. Answers its exit code once it has ended, or -1 when
// it could not be started, ended by a signal or did not end within the limit. What it
// starts runs on.
inline long RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment, const std::string& output, bool whole = false,
                       std::chrono::seconds limit = std::chrono::seconds(120)) {
    platform::ChildLaunch launch;
    launch.program = program;
    launch.arguments = arguments;
    launch.environment = environment;
    launch.wholeEnvironment = whole;
    launch.output = platform::ChildOutput::Append;
    launch.outputFile = output;
    launch.errors = platform::ChildOutput::Pipe;  // with the output
    launch.leaveRunning = true;
    platform::ChildProcess child;
    std::string error;
    if (!child.Start(launch, &error)) return -1;
    const auto end = child.Wait(limit);
    return end && !end->signalled ? end->code : -1;
}

#if !defined(_WIN32)
// Starts the launcher with exactly `environment`, its output and errors into outFile; the
// relocated copy inherits its streams, and the launcher ends when its copy does, with the
// copy's exit status. nullptr when it could not be started.
// Unprivileged runs take the test build, which may report a build past the rights gate.
inline std::unique_ptr<platform::ChildProcess> StartMendora(const std::vector<std::string>& environment,
                                                            const std::string& outFile) {
    platform::ChildLaunch launch;
    launch.program = std::string(MENDORA_BIN_DIR) + (::geteuid() == 0 ? "/mendora" : "/mendora-testbuild");
    launch.environment = environment;
    launch.wholeEnvironment = true;
    platform::NativeFileSystem().Delete(outFile);  // each run's output alone
    launch.output = platform::ChildOutput::Append;
    launch.outputFile = outFile;
    launch.errors = platform::ChildOutput::Pipe;  // with the output
    auto child = std::make_unique<platform::ChildProcess>();
    std::string error;
    return child->Start(launch, &error) ? std::move(child) : nullptr;
}

// Waits for a started launcher to end; its exit code, -1 when it did not exit by itself.
inline int WaitForExit(const std::unique_ptr<platform::ChildProcess>& launcher,
                       std::chrono::seconds limit = std::chrono::seconds(300)) {
    if (!launcher) return -1;
    const auto end = launcher->Wait(limit);
    return end && !end->signalled ? end->code : -1;
}

// Runs the launcher to its end (StartMendora, then WaitForExit).
inline int RunMendora(const std::vector<std::string>& environment, const std::string& outFile) {
    return WaitForExit(StartMendora(environment, outFile));
}
#endif

}  // namespace mendora::testing
