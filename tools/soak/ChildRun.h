#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace mendora::soak {

// One program under test, started with its own process group so that everything it starts
// belongs to the run.
struct ChildLaunch {
    std::vector<std::string> argv;         // argv[0] is the program's path
    std::vector<std::string> environment;  // the whole environment
    std::string outputFile;                // stdout and stderr; stdin is /dev/null
    std::chrono::milliseconds limit{20000};
    // Called about every 20 ms while the run goes on (e.g. to replug a drive when asked),
    // with the run's process group: a signal sent to it reaches every process of the run,
    // as a terminal's does.
    std::function<void(int group)> whileRunning;
};

struct ChildEnd {
    enum class Kind { Exited, Signalled, TimedOut, NotStarted };
    Kind kind = Kind::NotStarted;
    int exitCode = -1;  // of the last process of the group to end
    int signal = 0;     // the first signal that ended one of them
    std::chrono::milliseconds took{0};
};

// Makes this process adopt the orphans of its descendants, so that a program that restarts
// itself as a detached copy is still waited for, and its crash seen. Call once, early.
bool AdoptOrphans();

// Runs a program and every process it leaves behind in its group until all have ended or
// the limit is over; then the group is killed and the run counts as timed out. A signal
// that ends any process of the group counts, even when the others exit normally.
ChildEnd RunChild(const ChildLaunch& launch);

std::string Describe(const ChildEnd& end);

}  // namespace mendora::soak
