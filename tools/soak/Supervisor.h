#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/ChildProcess.h"

namespace mendora::soak {

// One program under test, started as the leader of a group of its own so that everything it
// starts belongs to the run.
struct RunLaunch {
    std::vector<std::string> argv;         // argv[0] is the program's path
    std::vector<std::string> environment;  // the whole environment
    std::string outputFile;                // stdout and stderr; stdin is the null device
    std::chrono::milliseconds limit{20000};
    // Called about every 20 ms while the run goes on (e.g. to replug a drive when asked),
    // with the run: a stop request sent to it reaches every process of the run, as a
    // terminal's does.
    std::function<void(platform::ChildProcess& run)> whileRunning;
};

struct RunEnd {
    enum class Kind { Exited, Signalled, TimedOut, NotStarted };
    Kind kind = Kind::NotStarted;
    int exitCode = -1;  // of the last process of the group to end
    int signal = 0;     // the first signal that ended one of them
    std::chrono::milliseconds took{0};
};

// Runs a program and every process it leaves behind in its group until all have ended or
// the limit is over; then the group is ended and the run counts as timed out. A signal
// that ends any process of the group counts, even when the others exit normally.
RunEnd Supervise(const RunLaunch& launch);

std::string Describe(const RunEnd& end);

}  // namespace mendora::soak
