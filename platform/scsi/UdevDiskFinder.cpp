#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/scsi/DriveNamespace.h"
#include "vdrive/MakerIdentity.h"

namespace mendora::platform {

namespace {

bool IsMakerUsb(udev_device* node) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    if (usb == nullptr) return false;
    const char* vendor = udev_device_get_sysattr_value(usb, "idVendor");
    const char* product = udev_device_get_sysattr_value(usb, "idProduct");
    return vendor && product && std::strtoul(vendor, nullptr, 16) == maker::kUsbVendorId &&
           std::strtoul(product, nullptr, 16) == maker::kUsbProductId;
}

// A direct-access SCSI device (a disk), as its "type" attribute says.
bool IsDisk(udev_device* node) {
    udev_device* scsi = udev_device_get_parent_with_subsystem_devtype(node, "scsi", "scsi_device");
    const char* type = scsi ? udev_device_get_sysattr_value(scsi, "type") : nullptr;
    return type != nullptr && std::strcmp(type, "0") == 0;
}

// The generic SCSI node (/dev/sgN) of every disk behind a USB device, with the USB
// serial number. The generic node, not the block node: it takes vendor commands without
// the block driver's own traffic on open and close, and it keeps the caller's timeout
// where the block node raises a short one to its minimum.
template <typename Visit>
void VisitUsbDisks(Visit visit) {
    udev* context = udev_new();
    if (context == nullptr) return;
    udev_enumerate* scan = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(scan, "scsi_generic");
    udev_enumerate_scan_devices(scan);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
        udev_device* generic = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (generic == nullptr) continue;
        const char* node = udev_device_get_devnode(generic);
        if (node != nullptr && IsMakerUsb(generic) && IsDisk(generic)) {
            udev_device* usb = udev_device_get_parent_with_subsystem_devtype(generic, "usb", "usb_device");
            const char* serial = udev_device_get_sysattr_value(usb, "serial");
            visit(std::string(node), std::string(serial ? serial : ""));
        }
        udev_device_unref(generic);
    }
    udev_enumerate_unref(scan);
    udev_unref(context);
}

// "/dev/sg2" before "/dev/sg10".
bool NodeOrder(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

std::vector<std::string> UdevDiskFinder::MakerDisks() {
    std::vector<std::string> nodes;
    VisitUsbDisks([&](const std::string& node, const std::string&) { nodes.push_back(node); });
    std::sort(nodes.begin(), nodes.end(), NodeOrder);
    return nodes;
}

std::string UdevDiskFinder::Serial(const std::string& node) {
    std::string found;
    VisitUsbDisks([&](const std::string& n, const std::string& serial) {
        if (n == node) found = serial;
    });
    return found;
}

}  // namespace mendora::platform
