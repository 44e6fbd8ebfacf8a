#include "app/HelpAndVersion.h"

#include <string>
#include <string_view>

#include "app/ExitStatus.h"
#include "app/HostHelp.h"
#include "platform/kernel/Console.h"
#include "version/Version.h"

namespace mendora {
namespace {

constexpr const char* kProgram = "mendora";

std::string Usage() {
    std::string text =
        "Usage: mendora [--help | --version]\n"
        "\n"
        "Repairs USB flash drives built on the QF70 and QF90 controllers: erases and tests\n"
        "every block, marks the bad ones, then re-formats the drive and rewrites its firmware,\n"
        "with a dialog that shows progress.\n";
    text += HostRightsHelp();
    text +=
        "\n"
        "Exit status:\n"
        "  0  the drive was repaired, or the dialog was closed before a repair started\n"
        "  1  a repair started and did not complete (\"Repair fail\", or Close during the\n"
        "     run): the drive is left erased and needs another repair before it holds data\n"
        "  2  nothing was done to a drive: none was found or it was refused, a file could\n"
        "     not be written, or the command line was wrong\n"
        "\n"
        "Environment:\n";
    text += HostEnvironmentHelp();
    return text;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            platform::ShowProgramText(stdout, Usage(), kProgram);
            return kExitRepaired;
        }
        if (argument == "--version") {
            platform::ShowProgramText(stdout, std::string(kProgram) + " " + MENDORA_VERSION + "\n", kProgram);
            return kExitRepaired;
        }
    }
    if (argc <= 1) return std::nullopt;
    platform::ShowProgramText(stderr,
                              std::string(kProgram) + ": unknown argument '" + argv[1] +
                                  "'; mendora takes none but --help and --version.\n",
                              kProgram);
    return kExitRefused;
}

}  // namespace mendora
