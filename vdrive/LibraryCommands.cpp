// The device library's commands of the controller: firmware, mark scan and format.
#include <algorithm>
#include <cstring>
#include <vector>

#include "vdrive/Controller.h"
#include "vdrive/ControllerSense.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/LibraryCommandSet.h"
#include "vdrive/LogicalDisk.h"

namespace mendora::vdrive {

namespace {

bool IsCdb(std::span<const std::uint8_t> cdb, const std::array<std::uint8_t, 10>& expected) {
    return cdb.size() == expected.size() && std::equal(cdb.begin(), cdb.end(), expected.begin());
}

std::uint32_t Be24(const std::uint8_t* p) { return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]; }

}  // namespace

Reply Controller::WriteFirmware(const Command& c) {
    if (!IsCdb(c.cdb, library::kWriteFirmwareCdb) || c.direction != Direction::Out ||
        c.data.size() != library::kFirmwareBytes)
        return Check(sense::kIllegalRequest, sense::kInvalidField);
    // An image made for another controller would leave the drive dead: keep the old one.
    auto madeFor = firmware::ControllerOf(c.data.data());
    if (madeFor && *madeFor != image_.header().chipId) return Check(sense::kIllegalRequest, sense::kInvalidParameter);
    format::State& s = image_.state();
    std::memcpy(image_.firmware(), c.data.data(), library::kFirmwareBytes);
    std::memcpy(s.firmwareVersion, firmware::VersionOf(c.data.data()).data(), firmware::kVersionSize);
    s.firmwarePresent = 1;
    Reply r;
    r.moved = c.data.size();
    return r;
}

Reply Controller::ReadFirmware(const Command& c) {
    if (!IsCdb(c.cdb, library::kReadFirmwareCdb)) return Check(sense::kIllegalRequest, sense::kInvalidField);
    if (!image_.state().firmwarePresent) return Check(sense::kMediumError, sense::kUnrecoveredReadError);
    return DataIn(c, std::span<const std::uint8_t>(image_.firmware(), library::kFirmwareBytes));
}

Reply Controller::ScanMarks(const Command& c) {
    const Geometry& g = image_.geometry();
    if (c.cdb.size() != 10 || c.cdb[2] >= g.chipEnables) return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::uint32_t chip = c.cdb[2];
    if (AnsweringChips(static_cast<std::uint8_t>(1u << (2 * chip))) == 0) return Reply{TransportError::Failed};
    std::vector<std::uint8_t> bitmap(library::MarkBitmapBytes(g.BlocksPerChip()));
    for (std::uint32_t block = 0; block < g.BlocksPerChip(); ++block) {
        if (nand_.IsMarked(chip, block)) bitmap[block / 8] |= static_cast<std::uint8_t>(1u << (block % 8));
    }
    std::size_t wanted = std::min<std::size_t>(bitmap.size(), Be24(&c.cdb[6]));
    return DataIn(c, std::span(bitmap).first(wanted));
}

Reply Controller::LowLevelFormat(const Command& c) {
    if (!IsCdb(c.cdb, library::kLowLevelFormatCdb)) return Check(sense::kIllegalRequest, sense::kInvalidField);
    LogicalDisk(image_).Format();
    return Reply{};
}

}  // namespace mendora::vdrive
