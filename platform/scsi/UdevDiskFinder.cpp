#include <libudev.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/scsi/DriveNamespace.h"
#include "protocol/MakerIdentity.h"

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

const char* Attribute(udev_device* device, const char* name) {
    const char* value = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value ? value : "";
}

// The block device ("sdb") of the same SCSI device as a generic node; empty when none.
std::string BlockName(udev* context, udev_device* scsi) {
    std::string name;
    udev_enumerate* scan = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(scan, "block");
    udev_enumerate_add_match_parent(scan, scsi);
    udev_enumerate_add_match_property(scan, "DEVTYPE", "disk");
    udev_enumerate_scan_devices(scan);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
        udev_device* block = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (block == nullptr) continue;
        if (const char* sysname = udev_device_get_sysname(block); name.empty() && sysname) name = sysname;
        udev_device_unref(block);
    }
    udev_enumerate_unref(scan);
    return name;
}

// "B:" for "sdb": the kernel's own name for the disk, stable while it stays plugged in and
// the same in every process; empty for any other name ("sdaa").
std::string LetterOf(const std::string& blockName) {
    if (blockName.size() != 3 || blockName.rfind("sd", 0) != 0 || !std::islower(static_cast<unsigned char>(blockName[2])))
        return {};
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(blockName[2])))) + ":";
}

FoundDisk DiskOf(udev* context, udev_device* generic, const char* node) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(generic, "usb", "usb_device");
    udev_device* scsi = udev_device_get_parent_with_subsystem_devtype(generic, "scsi", "scsi_device");
    FoundDisk disk;
    disk.node = node;
    disk.blockName = scsi ? BlockName(context, scsi) : "";
    disk.name = LetterOf(disk.blockName);
    const char* port = udev_device_get_sysname(usb);
    disk.identity.port = port ? port : "";
    disk.identity.serial = Attribute(usb, "serial");
    disk.identity.vendor = TrimBlanks(Attribute(scsi, "vendor"));
    disk.identity.product = TrimBlanks(Attribute(scsi, "model"));
    const char* path = udev_device_get_syspath(generic);
    disk.instance = std::string(path ? path : "") + "#" + Attribute(usb, "devnum");
    return disk;
}

}  // namespace

// The generic SCSI node (/dev/sgN) of every disk behind a maker's USB device. The generic
// node, not the block node: it takes vendor commands without the block driver's own traffic
// on open and close, and it keeps the caller's timeout where the block node raises a short
// one to its minimum.
std::vector<FoundDisk> UdevDiskFinder::MakerDisks() {
    std::vector<FoundDisk> disks;
    udev* context = udev_new();
    if (context == nullptr) return disks;
    udev_enumerate* scan = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(scan, "scsi_generic");
    udev_enumerate_scan_devices(scan);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
        udev_device* generic = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (generic == nullptr) continue;
        const char* node = udev_device_get_devnode(generic);
        if (node != nullptr && IsMakerUsb(generic) && IsDisk(generic)) disks.push_back(DiskOf(context, generic, node));
        udev_device_unref(generic);
    }
    udev_enumerate_unref(scan);
    udev_unref(context);
    return disks;
}

}  // namespace mendora::platform
