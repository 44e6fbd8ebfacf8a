#include "platform/kernel/win32/WindowsHeader.h"
// The headers below need <windows.h> first.
#include <cfgmgr32.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cctype>
#include <cstdio>

#include "platform/kernel/win32/Win32Text.h"
#include "platform/scsi/win32/Win32Scsi.h"
#include "protocol/MakerIdentity.h"

namespace mendora::platform {

bool IsMakerUsbInstance(const std::string& instanceId) {
    std::string upper = instanceId;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    char ids[32];
    std::snprintf(ids, sizeof ids, "USB\\VID_%04X&PID_%04X\\", maker::kUsbVendorId, maker::kUsbProductId);
    return upper.rfind(ids, 0) == 0;
}

namespace {

// The disk number Windows gives a disk or a volume; -1 when it cannot be asked.
long DiskNumberOf(const std::string& path) {
    HANDLE handle = CreateFileW(win32::Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    STORAGE_DEVICE_NUMBER number{};
    DWORD bytes = 0;
    const bool ok = DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                                    &bytes, nullptr);
    CloseHandle(handle);
    return ok ? static_cast<long>(number.DeviceNumber) : -1;
}

// The letter Windows shows for a volume on this disk ("E:"), else "PhysicalDriveN".
std::string WindowsName(long disk) {
    if (disk < 0) return {};
    const DWORD letters = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!(letters & (1u << (letter - 'A')))) continue;
        if (DiskNumberOf(std::string("\\\\.\\") + letter + ":") == disk) return std::string(1, letter) + ":";
    }
    return "PhysicalDrive" + std::to_string(disk);
}

// The USB device's location ("Port_#0002.Hub_#0001"), else its instance id.
std::string PortOf(DEVINST usb, const std::string& instanceId) {
    wchar_t location[256] = {};
    ULONG size = sizeof location;
    if (CM_Get_DevNode_Registry_PropertyW(usb, CM_DRP_LOCATION_INFORMATION, nullptr, location, &size, 0) ==
            CR_SUCCESS && location[0] != L'\0')
        return win32::Narrow(location);
    return instanceId;
}

// The serial of "USB\VID_x&PID_y\SERIAL"; an id Windows made up itself holds '&'.
std::string SerialOf(const std::string& instanceId) {
    const std::size_t slash = instanceId.rfind('\\');
    std::string last = slash == std::string::npos ? "" : instanceId.substr(slash + 1);
    return last.find('&') == std::string::npos ? last : "";
}

}  // namespace

std::vector<FoundDisk> SetupApiDiskFinder::MakerDisks() {
    std::vector<FoundDisk> found;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_DISK, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return found;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_DISK, i, &iface); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &iface, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        // Aligned for the record's DWORD.
        std::vector<DWORD> buffer((size + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, detail, size, nullptr, &device)) continue;
        // The disk's parent is the USB device that carries the vendor and product ids.
        DEVINST parent = 0;
        wchar_t wideParentId[MAX_DEVICE_ID_LEN];
        if (CM_Get_Parent(&parent, device.DevInst, 0) != CR_SUCCESS ||
            CM_Get_Device_IDW(parent, wideParentId, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS)
            continue;
        const std::string parentId = win32::Narrow(wideParentId);
        if (!IsMakerUsbInstance(parentId)) continue;
        FoundDisk disk;
        disk.node = win32::Narrow(detail->DevicePath);
        const long number = DiskNumberOf(disk.node);
        disk.name = WindowsName(number);
        // Its volumes are locked and dismounted through the physical drive's number.
        if (number >= 0) disk.blockName = "PhysicalDrive" + std::to_string(number);
        disk.identity.port = PortOf(parent, parentId);
        disk.identity.serial = SerialOf(parentId);
        found.push_back(std::move(disk));
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

}  // namespace mendora::platform
