#pragma once
// The two questions mendora answers from its command line before anything starts.
#include <optional>

namespace mendora {

// Prints the usage for --help (or -h) and "mendora <version>" for --version, then
// answers the exit status 0; nullopt when neither is asked, and every other argument is
// left alone.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv);

}  // namespace mendora
