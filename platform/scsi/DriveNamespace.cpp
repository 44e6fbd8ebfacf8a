#include "platform/scsi/DriveNamespace.h"

#include <array>
#include <cctype>
#include <cstdlib>

#include "platform/scsi/NativeScsi.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "vdrive/MakerIdentity.h"

namespace mendora::platform {

namespace {

constexpr char kFirstLetter = 'D';
constexpr char kLastLetter = 'Z';

// "D:" from "D:", "d:" or "\\.\D:"; empty when it is no drive name.
std::string DriveName(std::string name) {
    if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
    if (name.size() != 2 || name[1] != ':' || !std::isalpha(static_cast<unsigned char>(name[0]))) return {};
    name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name;
}

}  // namespace

DriveNamespace::DriveNamespace(std::vector<std::string> images, UsbDiskFinder& finder, Clock& clock)
    : images_(std::move(images)), finder_(finder), clock_(clock) {}

std::vector<std::string> DriveNamespace::ImagesFromEnvironment() {
    std::vector<std::string> images;
    const char* list = std::getenv(kVirtualDrivesVariable);
    std::string rest = list ? list : "";
    while (!rest.empty()) {
        std::size_t colon = rest.find(kVirtualDrivesSeparator);
        std::string one = rest.substr(0, colon);
        if (!one.empty()) images.push_back(one);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    return images;
}

std::vector<DriveEntry> DriveNamespace::Drives() {
    std::vector<DriveEntry> drives;
    char letter = kFirstLetter;
    for (const std::string& image : images_) {
        if (letter > kLastLetter) return drives;
        drives.push_back({std::string(1, letter++) + ":", image, true});
    }
    for (const std::string& node : finder_.MakerDisks()) {
        if (letter > kLastLetter) return drives;
        drives.push_back({std::string(1, letter++) + ":", node, false});
    }
    return drives;
}

std::unique_ptr<ScsiTransport> DriveNamespace::OpenSource(const DriveEntry& entry, std::string* error) {
    if (entry.isVirtual) {
        auto drive = vdrive::VirtualDrive::Open(entry.source, error);
        return drive ? std::make_unique<VirtualScsiTransport>(std::move(drive), clock_) : nullptr;
    }
    return OpenDeviceTransport(entry.source, finder_, clock_, error);
}

std::unique_ptr<ScsiTransport> DriveNamespace::Open(const std::string& name, std::string* error) {
    std::string wanted = DriveName(name);
    for (const DriveEntry& entry : Drives()) {
        if (entry.name != wanted) continue;
        auto drive = OpenSource(entry, error);
        if (!drive) return nullptr;
        if (std::string foreign = ForeignIdentity(*drive); !foreign.empty()) {
            *error = "drive " + entry.name + " (" + entry.source + ") " + foreign +
                     ", not as the maker's controller; refused";
            return nullptr;
        }
        return drive;
    }
    *error = "no drive " + name;
    return nullptr;
}

std::string ForeignIdentity(ScsiTransport& drive) {
    std::array<std::uint8_t, 6> cdb = {0x12, 0, 0, 0, 36, 0};
    std::array<std::uint8_t, 36> data{};
    ScsiResult r = drive.Execute({cdb, DataDirection::In, data, 10, 24});
    if (!r.TransportOk() || r.scsiStatus != 0 || r.bytesMoved < 32) return "does not answer INQUIRY";
    std::string vendor(data.begin() + 8, data.begin() + 16), product(data.begin() + 16, data.begin() + 32);
    if (vendor == maker::kInquiryVendor && product == maker::kInquiryProduct) return {};
    return "identifies as \"" + vendor + "\" \"" + product + "\"";
}

}  // namespace mendora::platform
