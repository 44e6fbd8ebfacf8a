#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/scsi/DriveNamespace.h"
#include "vdrive/MakerIdentity.h"

namespace mendora::platform {

namespace {

bool IsMakerUsb(udev_device* disk) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(disk, "usb", "usb_device");
    if (usb == nullptr) return false;
    const char* vendor = udev_device_get_sysattr_value(usb, "idVendor");
    const char* product = udev_device_get_sysattr_value(usb, "idProduct");
    return vendor && product && std::strtoul(vendor, nullptr, 16) == maker::kUsbVendorId &&
           std::strtoul(product, nullptr, 16) == maker::kUsbProductId;
}

}  // namespace

std::vector<std::string> UdevDiskFinder::MakerDisks() {
    std::vector<std::string> nodes;
    udev* context = udev_new();
    if (context == nullptr) return nodes;
    udev_enumerate* scan = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(scan, "block");
    udev_enumerate_add_match_property(scan, "DEVTYPE", "disk");
    udev_enumerate_scan_devices(scan);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
        udev_device* disk = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (disk == nullptr) continue;
        const char* node = udev_device_get_devnode(disk);
        if (node != nullptr && IsMakerUsb(disk)) nodes.emplace_back(node);
        udev_device_unref(disk);
    }
    udev_enumerate_unref(scan);
    udev_unref(context);
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

}  // namespace mendora::platform
