#pragma once
#include <string>
#include <vector>

namespace mendora::tools {

struct UsbLink {
    std::string image;
    std::string socket;  // a usbredir socket the USB host (QEMU's usb-redir) listens on
    std::string serial;  // the USB serial number; empty: one made from the image's path
};

// Serves each image as a USB mass-storage device over its usbredir socket until every
// socket has closed (or SIGTERM/SIGINT). Plugging an image in or out connects or
// disconnects its device on the bus. Returns the exit status; complaints go to stderr.
int ServeUsb(const std::vector<UsbLink>& links);

// The USB serial number of an image: stable for the image file across re-plugs and runs.
std::string UsbSerial(const std::string& image);

}  // namespace mendora::tools
