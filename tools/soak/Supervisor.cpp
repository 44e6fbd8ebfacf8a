#include "tools/soak/Supervisor.h"

namespace mendora::soak {

RunEnd Supervise(const RunLaunch& launch) {
    RunEnd end;
    if (launch.argv.empty()) return end;
    platform::ChildLaunch child;
    child.program = launch.argv[0];
    child.arguments.assign(launch.argv.begin() + 1, launch.argv.end());
    child.environment = launch.environment;
    child.wholeEnvironment = true;
    child.output = platform::ChildOutput::File;
    child.outputFile = launch.outputFile;
    child.errors = platform::ChildOutput::Pipe;  // with the output
    child.ownGroup = true;

    const auto started = std::chrono::steady_clock::now();
    platform::ChildProcess run;
    std::string error;
    if (!run.Start(child, &error)) return end;
    std::optional<platform::ChildEnd> ended;
    bool timedOut = false;
    while (!(ended = run.WaitGroup(std::chrono::milliseconds(20)))) {
        if (std::chrono::steady_clock::now() - started > launch.limit) {
            timedOut = true;
            run.Terminate();
            run.WaitGroup(std::chrono::milliseconds(10000));
            break;
        }
        if (launch.whileRunning) launch.whileRunning(run);
    }
    end.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    if (timedOut) {
        end.kind = RunEnd::Kind::TimedOut;
    } else if (ended->signalled) {
        end.kind = RunEnd::Kind::Signalled;
        end.signal = ended->code;
    } else {
        end.kind = RunEnd::Kind::Exited;
        end.exitCode = ended->code;
    }
    return end;
}

std::string Describe(const RunEnd& end) {
    switch (end.kind) {
        case RunEnd::Kind::Exited: return "exit " + std::to_string(end.exitCode);
        case RunEnd::Kind::Signalled: return "signal " + std::to_string(end.signal);
        case RunEnd::Kind::TimedOut: return "hung past " + std::to_string(end.took.count()) + " ms";
        case RunEnd::Kind::NotStarted: return "not started";
    }
    return "?";
}

}  // namespace mendora::soak
