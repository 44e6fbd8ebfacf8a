#include "platform/scsi/DiskHolders.h"

namespace mendora::platform {
namespace {

std::string Joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

}  // namespace

std::string DiskInUseText(const std::string& disk, const DiskUse& use) {
    std::vector<std::string> parts;
    if (!use.mountPoints.empty()) parts.push_back("mounted at " + Joined(use.mountPoints, ", "));
    if (!use.swapAreas.empty()) parts.push_back("swap on " + Joined(use.swapAreas, ", "));
    if (!use.holders.empty()) parts.push_back("held by " + Joined(use.holders, ", "));
    // Stacked devices (device-mapper, RAID) are not ours to take apart.
    std::string advice = use.holders.empty() ? "use --unmount to unmount it first"
                                             : "stop what is stacked on it first";
    return disk + " is in use by the system: " + Joined(parts, "; ") + " (" + advice + ")";
}

std::string DiskNotFreedText(const std::string& disk, const std::vector<std::string>& failures) {
    return disk + " could not be freed: " + Joined(failures, "; ");
}

}  // namespace mendora::platform
