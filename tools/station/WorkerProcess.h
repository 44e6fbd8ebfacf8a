#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/station/LineLink.h"

namespace mendora::station {

// A worker process with its stdout on a pipe to the station.
class WorkerProcess {
public:
    WorkerProcess() = default;
    // Ends a worker still running and waits for it.
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // env: variables to set ("NAME=value") over this process's environment.
    bool Start(const std::string& executable, const std::vector<std::string>& args,
               const std::vector<std::string>& env, const std::string& logFile, std::string* error);
    int Fd() const { return fd_; }
    bool Running() const { return pid_ > 0; }
    // Reads what the pipe holds now; false once it is at its end.
    bool Read();
    bool Next(nlohmann::json* message) { return lines_.Next(message); }
    void Signal(int signal);
    // Waits for the process; its wait status.
    int Wait();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    LineReader lines_;
};

// "exited 3", "killed by signal 9".
std::string DescribeEnd(int waitStatus);

}  // namespace mendora::station
