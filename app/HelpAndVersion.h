#pragma once
// What mendora answers from its command line before anything starts.
#include <optional>

namespace mendora {

// Shows the usage for --help (or -h) and "mendora <version>" for --version and answers 0;
// any other argument is a usage error, said and answered 2. nullopt without arguments.
// The texts reach the user even where the program has no console (see ShowProgramText).
std::optional<int> AnswerCommandLine(int argc, char** argv);

}  // namespace mendora
