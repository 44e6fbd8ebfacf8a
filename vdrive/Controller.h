#pragma once
#include <cstdint>
#include <optional>

#include "protocol/VendorOpcodes.h"
#include "vdrive/Command.h"
#include "vdrive/ImageFile.h"
#include "vdrive/Nand.h"

namespace mendora::vdrive {

// The chip-enable mask and block a flash command addresses.
struct CommandTarget {
    std::uint8_t mask = 0;
    std::uint32_t block = 0;
};
std::optional<CommandTarget> TargetOf(const Geometry& geometry, std::span<const std::uint8_t> cdb);

// Back to the state after power-on: RAM cleared, no revert image, default addressing.
void PowerOn(format::State& state);

// The controller's firmware: interprets one command against the locked image.
class Controller {
public:
    explicit Controller(ImageFile& image) : image_(image), nand_(image) {}
    Reply Execute(const Command& command);
    const FlashWork& Work() const { return nand_.work(); }

private:
    Reply Inquiry(const Command& c);
    Reply RequestSense(const Command& c);
    Reply ReadCapacity(const Command& c);
    Reply TestUnitReady();
    Reply ModeSense(const Command& c);
    Reply Identify(const Command& c);
    Reply RamLoad(const Command& c);
    Reply FlashCommand(const Command& c);
    Reply ResetFlash(const Command& c);
    Reply WriteFlashParameters(const Command& c);
    Reply SetInterleave(const Command& c);
    Reply Erase(const Command& c, std::size_t replyLength);
    Reply WritePages(const Command& c);
    Reply ReadPages(const Command& c);
    Reply ReadSpare(const Command& c);

    // The device library's commands and the disk a format builds.
    Reply WriteFirmware(const Command& c);
    Reply ReadFirmware(const Command& c);
    Reply ScanMarks(const Command& c);
    Reply LowLevelFormat(const Command& c);
    Reply ReadDisk(const Command& c);
    Reply WriteDisk(const Command& c);
    // The sector range of a READ(10) or WRITE(10), or the CHECK CONDITION it earns.
    std::optional<Reply> CheckDiskRange(const Command& c, std::uint64_t* first, std::uint32_t* count);

    Reply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0);
    Reply DataIn(const Command& c, std::span<const std::uint8_t> answer);
    // The chips a mask selects, or 0 when one of them is missing or silent.
    std::uint32_t AnsweringChips(std::uint8_t mask);
    std::uint32_t BlockLimit();

    ImageFile& image_;
    Nand nand_;
};

}  // namespace mendora::vdrive
