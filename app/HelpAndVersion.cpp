#include "app/HelpAndVersion.h"

#include <cstdio>
#include <string_view>

#include "version/Version.h"

namespace mendora {
namespace {

constexpr const char* kUsage =
    "Usage: mendora [--help | --version]\n"
    "\n"
    "Repairs USB flash drives built on the QF70 and QF90 controllers: erases and tests\n"
    "every block, marks the bad ones, then re-formats the drive and rewrites its firmware,\n"
    "with a dialog that shows progress. It needs administrator rights (root or\n"
    "CAP_SYS_RAWIO).\n"
    "\n"
    "Environment:\n"
    "  XDG_RUNTIME_DIR       the private temporary directory (else ${TMPDIR:-/tmp}/mendora-<uid>/)\n"
    "  MENDORA_UI            qt or tty (default qt when DISPLAY or WAYLAND_DISPLAY is set)\n"
    "  MENDORA_ASSUME_YES=1  press start once and answer every message with OK\n"
    "  MENDORA_DEBUG         diagnostic lines: 1 to stderr, or a file to append them to\n"
    "  MENDORA_VDRIVE        virtual drive images (img[:img...]), drives from D: on\n"
    "  MENDORA_VDRIVE_TRACE  a file that gets one line per command a virtual drive answers\n"
    "  XDG_CONFIG_HOME       holds mendora/user.reg (default ~/.config/mendora/user.reg)\n"
    "  LC_ALL, LC_MESSAGES, LANG  the language of the texts\n"
    "\n"
    "See mendora(1).\n";

}  // namespace

std::optional<int> AnswerHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("mendora %s\n", MENDORA_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace mendora
