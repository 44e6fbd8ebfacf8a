#include "app/HostHelp.h"

namespace mendora {

std::string_view HostRightsHelp() {
    return "It needs administrator rights: Windows asks for them when it starts. It works in\n"
           "%TEMP%\\UfdApp, where it copies itself and unpacks its files.\n";
}

std::string_view HostEnvironmentHelp() {
    return "  MENDORA_VDRIVE        virtual drive images (img[;img...]), drives from D: on\n"
           "  MENDORA_UI            tty: the dialog as text in the console (default: a window)\n"
           "  MENDORA_ASSUME_YES=1  press start once and answer every message with OK\n"
           "  MENDORA_DEBUG         diagnostic lines: 1 to the console, or a file to append them to\n"
           "  MENDORA_VDRIVE_TRACE  a file that gets one line per command a virtual drive answers\n"
           "  LC_ALL, LC_MESSAGES, LANG  the language of the texts (else the language of Windows)\n"
           "\n"
           "See README.txt beside mendora.exe.\n";
}

}  // namespace mendora
