#pragma once
// Programs this process starts and follows: their arguments, environment and output, stop
// requests, their end.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mendora::platform {

enum class ChildOutput {
    Inherit,  // this process's own stream
    Pipe,     // a pipe this process reads (stdout only)
    File,     // a file, created or emptied
    Append,   // a file, created or added to
    Null,     // thrown away
};

struct ChildLaunch {
    std::string program;                 // a full path with '/' separators
    std::vector<std::string> arguments;  // after the program's own name, each as it is
    // "NAME=value", set over this process's environment; with wholeEnvironment the child
    // gets these alone.
    std::vector<std::string> environment;
    bool wholeEnvironment = false;
    ChildOutput output = ChildOutput::Inherit;
    std::string outputFile;
    // stderr: Inherit, File or Append (errorFile), Null, or Pipe for "where the output goes".
    ChildOutput errors = ChildOutput::Inherit;
    std::string errorFile;
    // The child leads a group of its own, which its own children join, so that a stop
    // request or an end reaches all of them (a process group on Linux; a console process
    // group and a job on Windows).
    bool ownGroup = false;
    // What the child starts may go on once this process has let go of the child (a
    // launcher whose copy runs on). Otherwise, on Windows, the child and everything it
    // starts end when this process ends or lets go of it.
    bool leaveRunning = false;
};

// How a child ended.
struct ChildEnd {
    bool signalled = false;  // ended by a signal (Linux)
    int code = 0;            // the exit code, or the signal
};

// "exited 3", "killed by signal 9".
std::string DescribeEnd(const ChildEnd& end);

// What a stop request means, as a terminal sends it: Ctrl-C, a termination request, the
// terminal gone. Each arrives at the child's StopRequests.
enum class StopKind { Interrupt, Terminate, HangUp };

// One child process. Stdin is always the null device. On Windows every child is held in a
// job, which ends it when this process ends, however that happens, unless it is to be left
// running.
class ChildProcess {
public:
    ChildProcess();
    // Ends a child still running and waits for it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False with the reason when it cannot be started.
    bool Start(const ChildLaunch& launch, std::string* error);
    bool Running() const;
    std::uint32_t Id() const;

    // Appends what the output pipe holds now to *text without waiting; false once the pipe
    // is at its end and everything in it was taken.
    bool ReadOutput(std::string* text);
    // A stop request to the child (its group, when it has one of its own).
    void Stop(StopKind kind);
    // Ends the child (its group, when it has one of its own) at once, as a crash would.
    void Terminate();
    // Waits up to `limit` for the child to end; nullopt while it still runs.
    std::optional<ChildEnd> Wait(std::chrono::milliseconds limit);
    // Waits up to `limit` for every process of the child's own group to end (the child and
    // whatever it left behind); the end of the last one to exit, or the first signal that
    // ended one of them. nullopt while any still runs.
    std::optional<ChildEnd> WaitGroup(std::chrono::milliseconds limit);

    struct Host;  // the host's own part

private:
    friend void WaitForAny(const std::vector<ChildProcess*>& children, std::chrono::milliseconds limit);
    std::unique_ptr<Host> host_;
};

// Waits up to `limit` until one of the children has output to read (or its pipe's end) or
// has ended. Children that are not running are passed over.
void WaitForAny(const std::vector<ChildProcess*>& children, std::chrono::milliseconds limit);

// This process's environment, "NAME=value" each.
std::vector<std::string> CurrentEnvironment();

// The file name of a program of ours on this host ("mendora-station" or "mendora-station.exe").
std::string ProgramFileName(const std::string& name);

// Makes this process wait for the processes its children leave behind (the orphans of its
// group), so that WaitGroup sees them end. Call once, early; false when it cannot.
bool FollowOrphans();

}  // namespace mendora::platform
