#include "platform/kernel/win32/WindowsHeader.h"
// The headers below need <windows.h> first.
#include <cfgmgr32.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/scsi/win32/Win32Scsi.h"
#include "vdrive/MakerIdentity.h"

namespace mendora::platform {

bool IsMakerUsbInstance(const std::string& instanceId) {
    std::string upper = instanceId;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    char ids[32];
    std::snprintf(ids, sizeof ids, "USB\\VID_%04X&PID_%04X\\", maker::kUsbVendorId, maker::kUsbProductId);
    return upper.rfind(ids, 0) == 0;
}

std::vector<std::string> SetupApiDiskFinder::MakerDisks() {
    std::vector<std::string> found;
    HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return found;
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_DISK, i, &iface); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
        std::vector<char> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, size, nullptr, &device)) continue;
        // The disk's parent is the USB device that carries the vendor and product ids.
        DEVINST parent = 0;
        char parentId[MAX_DEVICE_ID_LEN];
        if (CM_Get_Parent(&parent, device.DevInst, 0) != CR_SUCCESS ||
            CM_Get_Device_IDA(parent, parentId, sizeof parentId, 0) != CR_SUCCESS)
            continue;
        if (IsMakerUsbInstance(parentId)) found.push_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace mendora::platform
