#include "devlib/DriveCommands.h"

#include <array>

#include "protocol/DiskCommands.h"
#include "protocol/LibraryCommandSet.h"

namespace mendora::devlib {

namespace {

constexpr std::uint32_t kShortTimeout = 10;
constexpr std::uint32_t kFormatTimeout = 60;

std::string Trimmed(const std::uint8_t* text, std::size_t width) {
    std::string s(reinterpret_cast<const char*>(text), width);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// A geometry no controller reports: no chip-enable or more than the four the chip masks
// select, an empty zone, block or page, or more blocks per chip than the 16 bits the flash
// parameters carry. Such a reply would size the mark bitmaps and the format check.
bool IsControllerGeometry(const identify::Geometry& g) {
    return g.chipEnables >= 1 && g.chipEnables <= 4 && g.zones != 0 && g.blocksPerZone != 0 &&
           g.pagesPerBlock != 0 && g.sectorsPerPage != 0 && g.BlocksPerChip() <= 0xFFFF;
}

}  // namespace

bool DriveCommands::Carry(std::span<const std::uint8_t> cdb, platform::DataDirection direction,
                          std::span<std::uint8_t> data, std::uint32_t timeoutSeconds) {
    // What only asks or reads may be sent again after the device was reset; a format or a
    // firmware write never is.
    platform::ScsiRequest request{cdb, direction, data, timeoutSeconds, 18};
    request.repeatable = direction == platform::DataDirection::In;
    platform::ScsiResult r = drive_.Execute(request);
    return r.TransportOk() && r.scsiStatus == 0 && r.bytesMoved == data.size();
}

std::optional<DriveIdentity> DriveCommands::Identify() {
    std::array<std::uint8_t, disk::kStandardInquiryBytes> standard{};
    std::array<std::uint8_t, identify::kReplySize> reply{};
    if (!Carry(disk::kInquiryCdb, platform::DataDirection::In, standard, kShortTimeout) ||
        !Carry(identify::kCdb, platform::DataDirection::In, reply, kShortTimeout))
        return std::nullopt;
    auto answer = identify::Decode(reply);
    if (!answer || !IsControllerGeometry(answer->geometry)) return std::nullopt;
    return DriveIdentity{*answer, Trimmed(&standard[8], 8), Trimmed(&standard[16], 16)};
}

std::optional<std::vector<std::uint8_t>> DriveCommands::ScanMarks(std::uint8_t chip, std::uint32_t blocksPerChip) {
    std::vector<std::uint8_t> bitmap(library::MarkBitmapBytes(blocksPerChip));
    auto cdb = library::ScanMarksCdb(chip, static_cast<std::uint32_t>(bitmap.size()));
    if (!Carry(cdb, platform::DataDirection::In, bitmap, kShortTimeout)) return std::nullopt;
    return bitmap;
}

bool DriveCommands::LowLevelFormat() {
    return Carry(library::kLowLevelFormatCdb, platform::DataDirection::None, {}, kFormatTimeout);
}

std::optional<std::uint64_t> DriveCommands::DiskSectors() {
        std::array<std::uint8_t, 8> a{};
    if (!Carry(disk::kReadCapacityCdb, platform::DataDirection::In, a, kShortTimeout)) return std::nullopt;
    std::uint32_t last = std::uint32_t{a[0]} << 24 | std::uint32_t{a[1]} << 16 | std::uint32_t{a[2]} << 8 | a[3];
    return std::uint64_t{last} + 1;
}

bool DriveCommands::WriteFirmware(std::span<const std::uint8_t> image) {
    if (image.size() != library::kFirmwareBytes) return false;
    // The transport takes one buffer for both directions; this command only reads it.
    std::vector<std::uint8_t> copy(image.begin(), image.end());
    return Carry(library::kWriteFirmwareCdb, platform::DataDirection::Out, copy, kShortTimeout);
}

std::optional<std::vector<std::uint8_t>> DriveCommands::ReadFirmware() {
    std::vector<std::uint8_t> image(library::kFirmwareBytes);
    if (!Carry(library::kReadFirmwareCdb, platform::DataDirection::In, image, kShortTimeout))
        return std::nullopt;
    return image;
}

}  // namespace mendora::devlib
