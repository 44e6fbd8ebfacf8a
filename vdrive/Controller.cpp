#include "vdrive/Controller.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "protocol/DiskCommands.h"
#include "vdrive/ControllerSense.h"
#include "vdrive/IdentifyReply.h"
#include "protocol/LibraryCommandSet.h"
#include "vdrive/LogicalDisk.h"
#include "protocol/RevertImageFormat.h"

namespace mendora::vdrive {

namespace {

std::uint32_t SectorAddress(std::span<const std::uint8_t> cdb) {
    return std::uint32_t{cdb[2]} << 24 | std::uint32_t{cdb[3]} << 16 | std::uint32_t{cdb[4]} << 8 | cdb[5];
}

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

bool IsAddressedFlashCommand(std::uint8_t op) {
    return op == opcode::kEraseBlock || op == opcode::kEraseBlockWithStatus || op == opcode::kReadSpare ||
           op == opcode::kWritePages || op == opcode::kReadPages;
}

// Chips present on the bus among those a mask selects (bits 0, 2, 4, 6).
std::uint32_t SelectedChips(std::uint8_t mask, std::uint32_t chipEnables) {
    std::uint32_t chips = 0;
    for (std::uint32_t c = 0; c < chipEnables; ++c) {
        if (mask & (1u << (2 * c))) chips |= 1u << c;
    }
    return chips;
}

Reply Transport(TransportError error) {
    Reply r;
    r.error = error;
    return r;
}

}  // namespace

std::optional<CommandTarget> TargetOf(const Geometry& g, std::span<const std::uint8_t> cdb) {
    if (cdb.size() < 13 || !IsAddressedFlashCommand(cdb[0])) return std::nullopt;
    return CommandTarget{cdb[12], SectorAddress(cdb) / g.SectorsPerBlock()};
}

void PowerOn(format::State& s) {
    std::memset(s.ram, 0, sizeof s.ram);
    std::memset(s.sense, 0, sizeof s.sense);
    s.ramLoading = 0;
    s.ramRunning = 0;
    s.parameterMode = format::ParameterMode::None;
    s.parameterBlocksPerChip = 0;
    s.twoPlane = 0;
    s.pairedPages = 0;
}

Reply Controller::Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    Reply r;
    r.status = kStatusCheckCondition;
    r.sense[0] = 0x70;
    r.sense[2] = key;
    r.sense[7] = 10;
    r.sense[12] = asc;
    r.sense[13] = ascq;
    r.senseLength = r.sense.size();
    std::memcpy(image_.state().sense, r.sense.data(), r.sense.size());
    return r;
}

Reply Controller::DataIn(const Command& c, std::span<const std::uint8_t> answer) {
    if (c.direction != Direction::In) return Check(sense::kIllegalRequest, sense::kInvalidField);
    Reply r;
    r.moved = std::min(answer.size(), c.data.size());
    std::memcpy(c.data.data(), answer.data(), r.moved);
    return r;
}

Reply Controller::Execute(const Command& c) {
    if (c.cdb.empty()) return Check(sense::kIllegalRequest, sense::kInvalidOpcode);
    switch (c.cdb[0]) {
        case 0x00: return TestUnitReady();
        case 0x1A: return ModeSense(c);
        case 0x1E: return Reply{};  // PREVENT/ALLOW MEDIUM REMOVAL: nothing locks a stick
        case 0x03: return RequestSense(c);
        case disk::kInquiry: return Inquiry(c);
        case disk::kReadCapacity10: return ReadCapacity(c);
        case disk::kRead10: return ReadDisk(c);
        case disk::kWrite10: return WriteDisk(c);
        case kIdentifyOpcode: return Identify(c);
        case library::kWriteFirmware: return WriteFirmware(c);
        case library::kReadFirmware: return ReadFirmware(c);
        case library::kScanMarks: return ScanMarks(c);
        case library::kLowLevelFormat: return LowLevelFormat(c);
        case opcode::kRamLoad: return RamLoad(c);
        default: break;
    }
    if (c.cdb[0] < 0xF0 || c.cdb[0] == 0xFF) return Check(sense::kIllegalRequest, sense::kInvalidOpcode);
    // The vendor flash commands exist only in the revert image.
    if (!image_.state().ramRunning) return Check(sense::kIllegalRequest, sense::kInvalidOpcode);
    return FlashCommand(c);
}

Reply Controller::Inquiry(const Command& c) {
    if (c.cdb.size() < 6) return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::array<std::uint8_t, 36> a{};
    a[1] = 0x80;  // removable medium
    a[2] = 0x02;
    a[3] = 0x02;
    a[4] = static_cast<std::uint8_t>(a.size() - 5);
    const format::Header& h = image_.header();
    std::memcpy(&a[8], h.inquiryVendor, 8);
    std::memcpy(&a[16], h.inquiryProduct, 16);
    std::memcpy(&a[32], "1.00", 4);
    return DataIn(c, std::span(a).first(std::min<std::size_t>(a.size(), c.cdb[4])));
}

Reply Controller::RequestSense(const Command& c) {
    std::array<std::uint8_t, 18> s;
    std::memcpy(s.data(), image_.state().sense, s.size());
    if (s[0] == 0) s[0] = 0x70, s[7] = 10;  // no sense pending
    std::memset(image_.state().sense, 0, s.size());
    std::size_t wanted = c.cdb.size() >= 5 ? c.cdb[4] : 0;
    return DataIn(c, std::span(s).first(std::min(s.size(), wanted)));
}

Reply Controller::Identify(const Command& c) {
    auto reply = EncodeIdentify(image_.identity(), image_.geometry());
    return DataIn(c, reply);
}

Reply Controller::RamLoad(const Command& c) {
    format::State& s = image_.state();
    const auto& cdb = c.cdb;
    if (cdb.size() == 10 && cdb[1] == 0x13 && cdb[2] == 0x01) {
        PowerOn(s);
        s.ramLoading = 1;
        return Reply{};
    }
    if (cdb.size() != 12 || cdb[1] != 0x00 || cdb[2] != 0x01 || cdb[6] != 0x03)
        return Check(sense::kIllegalRequest, sense::kInvalidField);
    if (!s.ramLoading) return Check(sense::kIllegalRequest, sense::kSequenceError);
    std::uint32_t address = Be16(&cdb[3]);
    std::uint32_t length = Be16(&cdb[7]);
    bool fits = c.direction == Direction::Out && length <= 512 && length <= c.data.size() &&
                address >= revert::kRamLoadAddress && address + length <= 0x10000 && cdb[5] == cdb[8];
    if (!fits) return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::memcpy(s.ram + (address - revert::kRamLoadAddress), c.data.data(), length);
    std::uint16_t model = 0;
    s.ramRunning = revert::IsValidRamImage(s.ram, &model) && revert::RamImageRunsOn(model, image_.header().chipId);
    Reply r;
    r.moved = c.data.size();
    return r;
}

std::uint32_t Controller::AnsweringChips(std::uint8_t mask) {
    std::uint32_t chips = SelectedChips(mask, image_.geometry().chipEnables);
    if (chips == 0 || (chips & image_.state().silentChips) != 0) return 0;
    return chips;
}

std::uint32_t Controller::BlockLimit() {
    const format::State& s = image_.state();
    if (s.parameterMode == format::ParameterMode::Accepted) return s.parameterBlocksPerChip;
    return image_.geometry().BlocksPerChip();
}

Reply Controller::FlashCommand(const Command& c) {
    const std::uint8_t op = c.cdb[0];
    if (op == opcode::kResetFlash) return ResetFlash(c);
    if (op == opcode::kWriteFlashParameters) return WriteFlashParameters(c);
    if (op == opcode::kSetInterleave) return SetInterleave(c);
    if (!IsAddressedFlashCommand(op)) return Check(sense::kIllegalRequest, sense::kInvalidOpcode);
    if (c.cdb.size() != 13) return Check(sense::kIllegalRequest, sense::kInvalidField);
    // A parameter block that does not describe this flash leaves the controller lost.
    if (image_.state().parameterMode == format::ParameterMode::Mismatched) return Transport(TransportError::Failed);
    if (SectorAddress(c.cdb) / image_.geometry().SectorsPerBlock() >= BlockLimit())
        return Check(sense::kIllegalRequest, sense::kOutOfRange);
    // Erasing or writing the flash under the disk destroys its format.
    if (op == opcode::kEraseBlock || op == opcode::kEraseBlockWithStatus || op == opcode::kWritePages) {
        LogicalDisk disk(image_);
        if (disk.Ready() || image_.state().diskPagesUsed > 0) disk.Lose();
    }
    switch (op) {
        case opcode::kEraseBlock: return Erase(c, 16);
        case opcode::kEraseBlockWithStatus: return Erase(c, 1);
        case opcode::kWritePages: return WritePages(c);
        case opcode::kReadPages: return ReadPages(c);
        default: return ReadSpare(c);
    }
}

Reply Controller::ResetFlash(const Command& c) {
    if (c.cdb.size() != 10 || c.cdb[1] != 0x10) return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::uint32_t chips = SelectedChips(c.cdb[2], image_.geometry().chipEnables) & ~image_.state().silentChips;
    std::array<std::uint8_t, 8> a{};
    a[1] = static_cast<std::uint8_t>(chips);  // bit c: chip c answered the reset
    if (chips != 0) std::memcpy(&a[2], image_.header().flashId, 5);
    return DataIn(c, a);
}

Reply Controller::WriteFlashParameters(const Command& c) {
    if (c.cdb.size() != 13 || c.direction != Direction::Out || c.data.size() < 512)
        return Check(sense::kIllegalRequest, sense::kInvalidField);
    const std::uint8_t* p = c.data.data();
    const Geometry& g = image_.geometry();
    std::uint32_t blocks = Be16(p), sectorsPerPage = Be16(p + 2), pagesPerBlock = Be16(p + 4);
    format::State& s = image_.state();
    bool matches = sectorsPerPage == g.sectorsPerPage && pagesPerBlock == g.pagesPerBlock && blocks >= 1 &&
                   blocks <= g.BlocksPerChip();
    s.parameterMode = matches ? format::ParameterMode::Accepted : format::ParameterMode::Mismatched;
    s.parameterBlocksPerChip = matches ? blocks : 0;
    s.pairedPages = p[25] != 0;
    Reply r;
    r.moved = 512;
    return r;
}

Reply Controller::SetInterleave(const Command& c) {
    if (c.cdb.size() != 10) return Check(sense::kIllegalRequest, sense::kInvalidField);
    format::State& s = image_.state();
    // Two planes need at least two banks.
    s.twoPlane = c.cdb[4] != 0 && image_.header().zoneBank >= 2;
    std::array<std::uint8_t, 1> a = {s.twoPlane};
    return DataIn(c, a);
}

Reply Controller::Erase(const Command& c, std::size_t replyLength) {
    std::uint32_t chips = AnsweringChips(c.cdb[12]);
    if (chips == 0) return Transport(TransportError::Failed);
    std::uint32_t block = SectorAddress(c.cdb) / image_.geometry().SectorsPerBlock();
    std::uint32_t count = image_.state().twoPlane && block + 1 < BlockLimit() ? 2 : 1;
    bool erased = true;
    for (std::uint32_t chip = 0; chip < 4; ++chip) {
        if (!(chips & (1u << chip))) continue;
        for (std::uint32_t b = block; b < block + count; ++b) erased = nand_.Erase(chip, b) && erased;
    }
    if (!erased) return Transport(TransportError::Failed);
    std::array<std::uint8_t, 16> a{};  // pass status for every plane
    return DataIn(c, std::span(a).first(replyLength));
}

Reply Controller::WritePages(const Command& c) {
    const Geometry& g = image_.geometry();
    std::uint32_t count = c.cdb[8];
    if (c.direction != Direction::Out || count == 0 || c.data.size() != count * 512u)
        return Check(sense::kIllegalRequest, sense::kInvalidField);
    std::uint64_t first = SectorAddress(c.cdb);
    if (first + count > std::uint64_t{BlockLimit()} * g.SectorsPerBlock())
        return Check(sense::kIllegalRequest, sense::kOutOfRange);
    std::uint32_t chips = AnsweringChips(c.cdb[12]);
    if (chips == 0) return Transport(TransportError::Failed);
    const std::uint8_t user[4] = {c.cdb[1], c.cdb[9], c.cdb[10], c.cdb[11]};
    bool refused = false, noRoom = false;
    for (std::uint32_t chip = 0; chip < 4; ++chip) {
        if (!(chips & (1u << chip))) continue;
        for (std::uint32_t done = 0; done < count;) {
            std::uint64_t sector = first + done;
            std::uint32_t inPage = static_cast<std::uint32_t>(sector % g.sectorsPerPage);
            std::uint32_t piece = std::min(count - done, g.sectorsPerPage - inPage);
            PageAddress at{chip, static_cast<std::uint32_t>(sector / g.SectorsPerBlock()),
                           static_cast<std::uint32_t>(sector % g.SectorsPerBlock() / g.sectorsPerPage)};
            Programmed result = nand_.Program(at, inPage, piece, c.data.data() + done * 512, user);
            refused = refused || result == Programmed::Refused;
            noRoom = noRoom || result == Programmed::NoRoom;
            done += piece;
        }
    }
    // Pages the image had no room for were not written: the write fails as a drive's does.
    if (noRoom) return Check(sense::kMediumError, sense::kWriteError);
    if (refused) return Transport(TransportError::Failed);
    Reply r;
    r.moved = c.data.size();
    return r;
}

Reply Controller::ReadPages(const Command& c) {
    const Geometry& g = image_.geometry();
    std::uint32_t chips = AnsweringChips(c.cdb[12]);
    if (chips == 0) return Transport(TransportError::Failed);
    std::uint64_t first = SectorAddress(c.cdb);
    std::uint32_t block = static_cast<std::uint32_t>(first / g.SectorsPerBlock());
    if (c.cdb[7] != 0) {
        std::array<std::uint8_t, 2> a{};
        for (std::uint32_t chip = 0; chip < 4; ++chip) {
            if (chips & (1u << chip)) a[0] = std::max(a[0], nand_.WorstFlippedBits(chip, block));
        }
        return DataIn(c, a);
    }
    std::uint32_t count = c.cdb[8];
    std::size_t bytes = std::min<std::size_t>(c.data.size(), count * 512u);
    if (c.direction != Direction::In) return Check(sense::kIllegalRequest, sense::kInvalidField);
    if (first + (bytes + 511) / 512 > std::uint64_t{BlockLimit()} * g.SectorsPerBlock())
        return Check(sense::kIllegalRequest, sense::kOutOfRange);
    std::uint32_t chip = static_cast<std::uint32_t>(__builtin_ctz(chips));
    std::vector<std::uint8_t> sector(512);
    for (std::size_t done = 0; done < bytes; done += 512) {
        std::uint64_t s = first + done / 512;
        PageAddress at{chip, static_cast<std::uint32_t>(s / g.SectorsPerBlock()),
                       static_cast<std::uint32_t>(s % g.SectorsPerBlock() / g.sectorsPerPage)};
        std::uint32_t inPage = static_cast<std::uint32_t>(s % g.sectorsPerPage);
        std::size_t piece = std::min<std::size_t>(512, bytes - done);
        if (piece == 512) {
            nand_.Read(at, inPage, 1, c.data.data() + done);
        } else {
            nand_.Read(at, inPage, 1, sector.data());
            std::memcpy(c.data.data() + done, sector.data(), piece);
        }
    }
    Reply r;
    r.moved = bytes;
    return r;
}

Reply Controller::ReadSpare(const Command& c) {
    const Geometry& g = image_.geometry();
    std::uint32_t chips = AnsweringChips(c.cdb[12]);
    if (chips == 0) return Transport(TransportError::Failed);
    std::uint32_t sector = SectorAddress(c.cdb);
    PageAddress at{static_cast<std::uint32_t>(__builtin_ctz(chips)), sector / g.SectorsPerBlock(),
                   sector % g.SectorsPerBlock() / g.sectorsPerPage};
    auto spare = nand_.Spare(at);
    return DataIn(c, spare);
}

}  // namespace mendora::vdrive
