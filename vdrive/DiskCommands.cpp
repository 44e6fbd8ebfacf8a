// The disk a low-level format builds (as the drive announces it): TEST UNIT READY, MODE SENSE(6), READ CAPACITY,
// READ(10) and WRITE(10), answered as the host's disk driver expects of a stick.
#include <algorithm>

#include "vdrive/AnnouncedDisk.h"
#include "vdrive/Controller.h"
#include "vdrive/ControllerSense.h"
#include "vdrive/LogicalDisk.h"

namespace mendora::vdrive {

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void PutBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

}  // namespace

// Without a disk the stick reports no medium, as an empty card reader does: the host's
// disk driver then leaves it alone instead of retrying to read its capacity.
Reply Controller::TestUnitReady() {
    if (!LogicalDisk(image_).Ready()) return Check(sense::kNotReady, sense::kMediumNotPresent);
    return Reply{};
}

// Only the header: no block descriptor, no pages, not write-protected, whatever page is asked.
Reply Controller::ModeSense(const Command& c) {
    if (c.cdb.size() != 6) return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::array<std::uint8_t, 4> header = {3, 0, 0, 0};
    return DataIn(c, std::span(header).first(std::min<std::size_t>(header.size(), c.cdb[4])));
}

Reply Controller::ReadCapacity(const Command& c) {
    AnnouncedDisk disk(image_);
    if (!disk.Ready()) return Check(sense::kNotReady, sense::kFormatCorrupted);
    std::uint64_t last = disk.Sectors() == 0 ? 0 : disk.Sectors() - 1;
    std::array<std::uint8_t, 8> a{};
    PutBe32(&a[0], static_cast<std::uint32_t>(std::min<std::uint64_t>(last, 0xFFFFFFFF)));
    PutBe32(&a[4], 512);
    return DataIn(c, a);
}

std::optional<Reply> Controller::CheckDiskRange(const Command& c, std::uint64_t* first, std::uint32_t* count) {
    AnnouncedDisk disk(image_);
    if (c.cdb.size() != 10) return Check(sense::kIllegalRequest, sense::kInvalidField);
    if (!disk.Ready()) return Check(sense::kNotReady, sense::kFormatCorrupted);
    *first = Be32(&c.cdb[2]);
    *count = static_cast<std::uint32_t>(c.cdb[7] << 8 | c.cdb[8]);
    if (*first + *count > disk.Sectors()) return Check(sense::kIllegalRequest, sense::kOutOfRange);
    if (c.data.size() < std::size_t{*count} * 512) return Check(sense::kIllegalRequest, sense::kInvalidField);
    return std::nullopt;
}

Reply Controller::ReadDisk(const Command& c) {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    if (auto refused = CheckDiskRange(c, &first, &count)) return *refused;
    if (c.direction != Direction::In) return Check(sense::kIllegalRequest, sense::kInvalidField);
    AnnouncedDisk(image_).Read(first, count, c.data.data());
    Reply r;
    r.moved = std::size_t{count} * 512;
    return r;
}

Reply Controller::WriteDisk(const Command& c) {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    if (auto refused = CheckDiskRange(c, &first, &count)) return *refused;
    if (c.direction != Direction::Out) return Check(sense::kIllegalRequest, sense::kInvalidField);
    if (!AnnouncedDisk(image_).Write(first, count, c.data.data())) return Check(sense::kMediumError, sense::kWriteError);
    Reply r;
    r.moved = std::size_t{count} * 512;
    return r;
}

}  // namespace mendora::vdrive
