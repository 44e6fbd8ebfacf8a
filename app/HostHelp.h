#pragma once
// The parts of mendora's --help that depend on the host it is built for: how it gets
// administrator rights and the environment it reads. One source per host, chosen by the
// build.
#include <string_view>

namespace mendora {

// One or more sentences ending in a line break.
std::string_view HostRightsHelp();
// The lines of the "Environment:" section, then where to read more.
std::string_view HostEnvironmentHelp();

}  // namespace mendora
