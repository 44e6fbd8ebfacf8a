#include "app/HostHelp.h"

namespace mendora {

std::string_view HostRightsHelp() {
    return "It needs administrator rights (root or CAP_SYS_RAWIO).\n";
}

std::string_view HostEnvironmentHelp() {
    return "  XDG_RUNTIME_DIR       the private temporary directory (else ${TMPDIR:-/tmp}/mendora-<uid>/)\n"
           "  MENDORA_UI            qt or tty (default qt when DISPLAY or WAYLAND_DISPLAY is set)\n"
           "  MENDORA_ASSUME_YES=1  press start once and answer every message with OK\n"
           "  MENDORA_DEBUG         diagnostic lines: 1 to stderr, or a file to append them to\n"
           "  MENDORA_VDRIVE        virtual drive images (img[:img...]), drives from D: on\n"
           "  MENDORA_VDRIVE_TRACE  a file that gets one line per command a virtual drive answers\n"
           "  XDG_CONFIG_HOME       holds mendora/user.reg (default ~/.config/mendora/user.reg)\n"
           "  LC_ALL, LC_MESSAGES, LANG  the language of the texts\n"
           "\n"
           "See mendora(1).\n";
}

}  // namespace mendora
