#include <iostream>
#include "platform/kernel/Console.h"

#include "tools/vdrive/UsbRedirServer.h"

namespace mendora::tools {

// Hosts without a usbredir peer to serve: the command is refused.
int ServeUsb(const std::vector<UsbLink>&) {
    platform::WriteText(stderr, "mendora-vdrive: serve-usb is not available on this host\n");
    return 1;
}

std::string UsbSerial(const std::string&) { return {}; }

}  // namespace mendora::tools
