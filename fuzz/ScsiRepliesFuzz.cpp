// The device library's identification and the vendor commands' judgements, fed replies,
// sense and transfer counts from the fuzzer. Replies land only in the buffers meant for
// them (each exactly as large as its command's data phase, so ASan sees any overrun),
// and a command counts as done exactly when its rule says so.
#include <cstring>
#include <memory>

#include "devlib/DeviceText.h"
#include "devlib/DriveCommands.h"
#include "flash/ScsiDevice.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzTransport.h"

namespace mendora::fuzz::scsi_replies {

namespace {

void Identification(FuzzTransport& drive) {
    devlib::DriveCommands commands(drive);
    auto identity = commands.Identify();
    if (!identity) return;
    const auto& answer = identity->answer;
    FUZZ_CHECK(identity->vendor.size() <= 8 && identity->product.size() <= 16);
    FUZZ_CHECK(!answer.identity.firmwareVersion || answer.identity.firmwareVersion->size() <= 6);
    devlib::DescriptionOf(*identity);
    FUZZ_CHECK(devlib::FirmwareVersionOf(*identity).size() <= 6);
    char text[16];
    devlib::CopyText(devlib::DescriptionOf(*identity), text, sizeof text);
    FUZZ_CHECK(std::strlen(text) < sizeof text);

    // The library's repair reads one mark bitmap per chip-enable of the reported geometry.
    const identify::Geometry& g = answer.geometry;
    for (std::uint32_t chip = 0; chip < g.chipEnables && chip < 4; ++chip) {
        auto bitmap = commands.ScanMarks(static_cast<std::uint8_t>(chip), g.BlocksPerChip());
        if (!bitmap) break;
        FUZZ_CHECK(bitmap->size() == (std::uint64_t{g.BlocksPerChip()} + 7) / 8);
        // Blocks per chip travel in 16 bits to the controller, so a mark bitmap never
        // needs more than 8 KiB, whatever the drive claims.
        FUZZ_CHECK(bitmap->size() <= 8192);
    }
    commands.LowLevelFormat();
    commands.DiskSectors();
}

bool Carried(const FuzzTransport& drive) { return drive.last.TransportOk(); }

void VendorCommand(FuzzTransport& drive, Bytes& input) {
    const std::uint8_t which = input.U8();
    const std::uint8_t mask = input.U8();
    const std::uint32_t sector = input.U32();
    switch (which % 10) {
        case 0:
            FUZZ_CHECK(ScsiDevice::BeginRamLoad(drive) == Carried(drive));
            break;
        case 1: {
            auto chunk = std::make_unique<std::uint8_t[]>(512);
            int done = ScsiDevice::WriteRam(drive, 0xF000, 512, chunk.get());
            FUZZ_CHECK(done == (Carried(drive) && drive.last.scsiStatus == 0));
            break;
        }
        case 2: {
            auto reply = std::make_unique<std::uint8_t[]>(8);
            std::memset(reply.get(), 0xEE, 8);
            int done = ScsiDevice::ResetFlash(drive, reply.get(), mask, 0xFF, 1);
            FUZZ_CHECK(done == Carried(drive));
            if (!done) {
                for (int i = 0; i < 8; ++i) FUZZ_CHECK(reply[i] == 0xEE);
            }
            break;
        }
        case 3: {
            auto block = std::make_unique<std::uint8_t[]>(512);
            FUZZ_CHECK(ScsiDevice::WriteFlashParameters(drive, block.get()) == Carried(drive));
            break;
        }
        case 4:
            FUZZ_CHECK(ScsiDevice::SetInterleave(drive, mask, 0x55, 1) == Carried(drive));
            break;
        case 5:
        case 6: {
            auto reply = std::make_unique<std::uint8_t[]>(16);
            int done = which % 10 == 5 ? ScsiDevice::EraseBlock(drive, sector, reply.get(), mask)
                                       : ScsiDevice::ReadSpare(drive, sector, reply.get(), mask);
            FUZZ_CHECK(done == Carried(drive));
            break;
        }
        case 7:
            FUZZ_CHECK(ScsiDevice::EraseBlockWithStatus(drive, sector, mask) == Carried(drive));
            break;
        case 8: {
            const std::uint32_t count = input.U8() % 9;
            auto pages = std::make_unique<std::uint8_t[]>(count * 512);
            const std::uint8_t spare[4] = {1, 2, 3, 4};
            FUZZ_CHECK(ScsiDevice::WritePages(drive, sector, count, pages.get(), mask, spare) == Carried(drive));
            break;
        }
        case 9: {
            const std::uint8_t status = input.U8() & 1;
            const std::uint32_t length = status ? 2 : input.U16() % 4609;
            auto buffer = std::make_unique<std::uint8_t[]>(length);
            FUZZ_CHECK(ScsiDevice::ReadPages(drive, sector, length, buffer.get(), mask, status) == Carried(drive));
            break;
        }
    }
}

}  // namespace

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::uint8_t plan = input.U8();
    FuzzTransport drive(input);
    if (plan & 1) Identification(drive);
    for (int i = 0; i < 64 && !input.Empty(); ++i) VendorCommand(drive, input);
    return 0;
}

}  // namespace mendora::fuzz::scsi_replies
