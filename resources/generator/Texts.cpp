#include "resources/generator/Texts.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "protocol/MakerIdentity.h"

namespace mendora::genfiles {
namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
    return text;
}

std::string TrimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

std::string JoinCrLf(std::initializer_list<std::string> lines) {
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

std::size_t CountLines(const std::string& text) {
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

}  // namespace

std::string DeviceSelectionText() { return "[Device]\r\nSelectDevice=QF70"; }

std::string DefaultDeviceSettingsText() {
    std::string text = JoinCrLf({
        "QF70ESP",
        std::string(40, '='),
        "VID: " + Hex4(maker::kUsbVendorId),
        "PID: " + Hex4(maker::kUsbProductId),
        "Vendor String: " + TrimRight(maker::kInquiryVendor),
        "Product String: " + TrimRight(maker::kInquiryProduct),
        "Revision: " + std::string(maker::kInquiryRevision),
        "Manufacturer: Quorvane Technology",
        "Product Description: USB Flash Disk",
        "Serial Number Format: Decimal",
        "Serial Number Length: 12",
        "Serial Number Prefix: QV",
        "Serial Number Start: 000000000001",
        "Serial Number Step: 1",
        "Serial Number Fixed: No",
        "Controller: QF70",
        "Firmware Mode: Normal",
        "Flash Type: Auto",
        "Flash Channel: Single",
        "Chip Enable Count: Auto",
        "Capacity Mode: Auto",
        "Capacity Options: 64M,128M,256M,512M,1G,2G,4G",
        "Capacity Fixed: No",
        "Capacity Reserve: 2%",
        "Partition Count: 1",
        "Partition Type: Removable",
        "Public Area Size: Max",
        "Secure Area Size: 0",
        "Volume Label: USB DISK",
        "File System: FAT",
        "Cluster Size: Auto",
        "Format Type: Quick",
        "LED Mode: Blink On Access",
        "LED Idle: On",
        "LED Polarity: High",
        "LED Blink Rate: 4",
        "Write Protect: Switch",
        "Write Protect Polarity: Low",
        "Write Protect Default: Off",
        "Bad Block Limit: 24",
        "ECC Bits: 2",
        "Scan Level: Normal",
        "Erase Count Check: Yes",
        "Max Power: 100mA",
        "Self Powered: No",
        "Remote Wakeup: No",
        "USB Speed: High",
        "Inquiry Vendor: " + std::string(maker::kInquiryVendor),
        "Inquiry Product: " + std::string(maker::kInquiryProduct),
        "Inquiry Revision: " + std::string(maker::kInquiryRevision),
        "Device Class: Mass Storage",
        "Device Subclass: SCSI",
        "Device Protocol: Bulk Only",
        "Language ID: 0409",
        "Suspend Current: 200uA",
        "Auto Run: No",
        "CDROM Area: None",
        "Boot Mode: None",
        "Password: None",
        "Hidden Area: None",
        "Burn In: No",
        "Burn In Cycles: 0",
        "Settings Version: 1.07",
        "End: Yes",
    });
    if (CountLines(text) != kDefaultDeviceSettingsLines) {
        throw std::logic_error("device settings text has " + std::to_string(CountLines(text)) +
                               " lines");
    }
    return text;
}

std::string RevertDefaultsText() {
    std::string text = JoinCrLf({
        "[Revert]",
        "Model=0x0090",
        "A1Version=0",
        "TestLevel=0",
        "EccLimit=2",
        "PatternMode=0",
        "TwoPlane=0",
        "InterleaveIndex=0",
        "PageListMode=0",
        "PageListFirst=0",
        "PageListCount=6",
        "[Flash]",
        "SectorsPerPage=4",
        "PagesPerBlock=128",
        "BlocksPerZone=1024",
        "Zones=4",
        "RedundantSymbol=14",
        "[Log]",
        "Enable=0",
        "Port=0",
    });
    if (text.size() != kRevertDefaultsSize) {
        throw std::logic_error("revert defaults text has " + std::to_string(text.size()) +
                               " bytes");
    }
    return text;
}

}  // namespace mendora::genfiles
