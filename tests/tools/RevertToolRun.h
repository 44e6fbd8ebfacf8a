#pragma once
#include <cstdio>
#include <string>

#include "tests/Environment.h"

namespace mendora::testing {

struct Ran {
    int status;
    std::string output;
};

// mendora-revert with `arguments`, run in `work` with the settings of `config`, the commands
// the drives carry traced to `trace`, and `environment` (assignments) before it.
inline Ran RunRevertTool(const std::string& work, const std::string& config, const std::string& trace,
                         const std::string& environment, const std::string& arguments) {
    const std::string command = "cd '" + work + "' && XDG_CONFIG_HOME='" + config + "' MENDORA_VDRIVE_TRACE='" +
                                trace + "' " + environment + " '" + MENDORA_BIN_DIR + "/mendora-revert' " + arguments +
                                " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    Ran ran{-1, ""};
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) ran.output.append(buffer, n);
    ran.status = ExitCodeOf(::pclose(pipe));
    return ran;
}

}  // namespace mendora::testing
