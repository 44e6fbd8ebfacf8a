#pragma once
#include <optional>
#include <string>

namespace mendora::platform {

// The running process and the processes it starts.
class ProcessHost {
public:
    virtual ~ProcessHost() = default;
    // Full path of the running executable; empty when it cannot be read.
    virtual std::string ExecutablePath() = 0;
    // Starts the executable at path with no arguments, this process's environment and
    // current directory; does not wait for it.
    virtual bool Spawn(const std::string& path) = 0;
    // Starts the executable as Spawn does and waits for it to end; answers its exit status
    // (1 when it was killed), nullopt when it could not be started.
    virtual std::optional<int> RunToEnd(const std::string& path) = 0;
};

}  // namespace mendora::platform
