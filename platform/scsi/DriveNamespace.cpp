#include "platform/scsi/DriveNamespace.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/kernel/ProcessEnvironment.h"
#include "platform/scsi/NativeScsi.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "protocol/DiskCommands.h"
#include "protocol/MakerIdentity.h"

namespace mendora::platform {

namespace {

constexpr char kFirstLetter = 'D';
constexpr char kLastLetter = 'Z';

bool IsLetterName(const std::string& name) {
    return name.size() == 2 && name[1] == ':' && std::isupper(static_cast<unsigned char>(name[0]));
}

// A virtual drive is where its image is.
DriveIdentity ImageIdentity(const std::string& image) {
    std::error_code ignored;
    std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::absolute(image, ignored), ignored);
    DriveIdentity identity;
    identity.port = path.empty() ? image : path.string();
    return identity;
}

// The name a USB disk goes by: the host's, unless a drive before it has it.
std::string UsbDiskName(const FoundDisk& disk, const std::set<std::string>& taken) {
    for (const std::string& candidate : {disk.name, disk.identity.port, disk.node})
        if (!candidate.empty() && !taken.count(candidate)) return candidate;
    return disk.node;
}

// Letters first, in order, then the other names.
bool NameOrder(const DriveEntry& a, const DriveEntry& b) {
    const bool la = IsLetterName(a.name), lb = IsLetterName(b.name);
    return la != lb ? la : a.name < b.name;
}

}  // namespace

std::string NormalDriveName(std::string name) {
    if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
    const bool letter = !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
                        (name.size() == 1 || (name.size() == 2 && name[1] == ':'));
    if (!letter) return name;
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])))) + ":";
}

DriveNamespace::DriveNamespace(std::vector<std::string> images, UsbDiskFinder& finder, Clock& clock,
                               DiskHolders* holders)
    : images_(std::move(images)), only_(OnlyDriveFromEnvironment()), finder_(finder), clock_(clock), holders_(holders) {}

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

std::optional<DriveIdentity> DriveNamespace::OnlyDriveFromEnvironment() {
    const char* key = std::getenv(kOnlyDriveVariable);
    if (key == nullptr || *key == '\0') return std::nullopt;
    return IdentityFromKey(key);
}

std::vector<DriveEntry> DriveNamespace::Drives() {
    std::vector<DriveEntry> drives;
    std::set<std::string> taken;
    char letter = kFirstLetter;
    for (const std::string& image : images_) {
        DriveIdentity identity = ImageIdentity(image);
        // Past the letters a virtual drive goes by its image's path.
        std::string name = letter <= kLastLetter ? std::string(1, letter++) + ":" : identity.port;
        taken.insert(name);
        drives.push_back({name, image, true, identity, {}});
    }
    std::vector<DriveEntry> usb;
    for (const FoundDisk& disk : finder_.MakerDisks()) {
        std::string name = UsbDiskName(disk, taken);
        taken.insert(name);
        usb.push_back({name, disk.node, false, disk.identity, disk.blockName, disk.instance});
    }
    std::sort(usb.begin(), usb.end(), NameOrder);
    drives.insert(drives.end(), usb.begin(), usb.end());
    if (!only_) return drives;
    // A confined process sees its own drive alone.
    std::erase_if(drives, [&](const DriveEntry& d) { return !d.identity.SamePlace(*only_); });
    return drives;
}

std::optional<DriveEntry> DriveNamespace::Find(const DriveIdentity& identity, std::string* error) {
    std::optional<DriveEntry> found;
    for (DriveEntry& entry : Drives()) {
        if (!entry.identity.SamePlace(identity)) continue;
        if (found) return *error = "more than one drive at " + identity.Describe() + ": refused", std::nullopt;
        found = std::move(entry);
    }
    if (!found) *error = "the drive at " + identity.Describe() + " is not there";
    return found;
}

std::optional<DriveEntry> DriveNamespace::Resolve(const std::string& name, std::string* error) {
    const std::string wanted = NormalDriveName(name);
    for (DriveEntry& entry : Drives()) {
        if (entry.name != wanted && entry.identity.port != wanted) continue;
        if (!Hold(entry, error)) return std::nullopt;
        return entry;
    }
    *error = "no drive " + name;
    return std::nullopt;
}

// The first time a name is resolved it is bound to its drive, and the drive is locked
// against every other process; later the name must still lead to that drive.
bool DriveNamespace::Hold(const DriveEntry& entry, std::string* error) {
    std::lock_guard lock(heldGuard_);
    auto held = held_.find(entry.name);
    if (held != held_.end()) {
        if (held->second.identity.SamePlace(entry.identity)) return true;
        *error = entry.name + " is no longer the drive that was identified (" + held->second.identity.Describe() +
                 "; now " + entry.identity.Describe() + ")";
        return false;
    }
    std::string why;
    auto driveLock = ModuleDriveLocks().TryLock(entry.identity.Key(), &why);
    if (!driveLock) {
        const bool held = why.size() >= 6 && why.compare(why.size() - 6, 6, "in use") == 0;
        *error = entry.name + " (" + entry.identity.Describe() + ") " +
                 (held ? "is in use by another program" : "cannot be locked: " + why);
        return false;
    }
    held_.emplace(entry.name, Held{entry.identity, std::move(driveLock), nullptr});
    return true;
}

bool DriveNamespace::Pin(const std::string& name, std::string* error, bool unmount) {
    auto entry = Resolve(name, error);
    return entry && Free(*entry, unmount, error);
}

// A disk the system uses is not erased from under it: its uses are ended when asked (on
// Windows always), else the drive is refused, naming them.
bool DriveNamespace::Free(const DriveEntry& entry, bool unmount, std::string* error) {
    if (entry.isVirtual || entry.blockName.empty()) return true;
    if (holders_ == nullptr) {
        nativeHolders_ = NativeDiskHolders();
        holders_ = nativeHolders_.get();
    }
    std::string why;
    auto use = holders_->FindUse(entry.blockName, &why);
    if (!use) return *error = entry.name + ": " + why, false;
    const bool release = unmount || holders_->ReleasedBeforeUse();
    if (!use->InUse() && !holders_->ReleasedBeforeUse()) return true;
    if (!release) return *error = entry.name + " (" + DiskInUseText(entry.blockName, *use) + ")", false;
    auto freed = holders_->Release(entry.blockName);
    if (!freed->failures.empty())
        return *error = entry.name + " (" + DiskNotFreedText(entry.blockName, freed->failures) + ")", false;
    std::lock_guard lock(heldGuard_);
    held_[entry.name].release = std::move(freed);
    return true;
}

std::unique_ptr<ScsiTransport> DriveNamespace::OpenSource(const DriveEntry& entry, std::string* error) {
    if (entry.isVirtual) {
        auto drive = vdrive::VirtualDrive::Open(entry.source, error);
        return drive ? std::make_unique<VirtualScsiTransport>(std::move(drive), clock_) : nullptr;
    }
    return OpenDeviceTransport(entry.source, entry.identity, finder_, clock_, error);
}

std::unique_ptr<ScsiTransport> DriveNamespace::Open(const std::string& name, std::string* error) {
    std::optional<DriveEntry> entry = Resolve(name, error);
    if (!entry) return nullptr;
    auto drive = OpenSource(*entry, error);
    if (!drive) return nullptr;
    DriveIdentity seen = entry->identity;
    if (std::string foreign = ForeignIdentity(*drive, &seen); !foreign.empty()) {
        *error = "drive " + entry->name + " (" + entry->source + ") " + foreign +
                 ", not as the maker's controller; refused";
        return nullptr;
    }
    if (!seen.Matches(entry->identity)) {
        *error = entry->name + " is no longer the drive that was identified";
        return nullptr;
    }
    return drive;
}

bool ConfineProcessTo(const std::vector<std::string>& images, const DriveEntry& entry) {
    std::string list;
    for (const std::string& image : images) {
        if (!list.empty()) list += kVirtualDrivesSeparator;
        list += image;
    }
    return SetProcessEnvironment(kVirtualDrivesVariable, list) &&
           SetProcessEnvironment(kOnlyDriveVariable, entry.identity.Key());
}

std::string ForeignIdentity(ScsiTransport& drive, DriveIdentity* seen) {
    std::array<std::uint8_t, disk::kStandardInquiryBytes> data{};
    ScsiRequest inquiry{disk::kInquiryCdb, DataDirection::In, data, 10, 24};
    inquiry.repeatable = true;
    ScsiResult r = drive.Execute(inquiry);
    if (!r.TransportOk() || r.scsiStatus != 0 || r.bytesMoved < 32) return "does not answer INQUIRY";
    std::string vendor(data.begin() + 8, data.begin() + 16), product(data.begin() + 16, data.begin() + 32);
    if (seen != nullptr) seen->vendor = TrimBlanks(vendor), seen->product = TrimBlanks(product);
    if (vendor == maker::kInquiryVendor && product == maker::kInquiryProduct) return {};
    return "identifies as \"" + vendor + "\" \"" + product + "\"";
}

}  // namespace mendora::platform
