#include "flash/ScsiDevice.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mendora {

namespace {

// The data area of a buffered record: 512 bytes, of which no command uses more than 8.
using DataArea = std::array<std::uint8_t, 512>;

int Carried(const platform::ScsiResult& result) { return result.TransportOk() ? 1 : 0; }

int SendBuffered(ScsiDevice::Drive& drive, const VendorRequest& request, DataArea& area) {
    return Carried(ScsiDevice::Send(drive, request, area.data()));
}

}  // namespace

platform::ScsiResult ScsiDevice::Send(Drive& drive, const VendorRequest& request, std::uint8_t* data) {
    platform::ScsiRequest r;
    r.cdb = std::span<const std::uint8_t>(request.cdb.data(), request.cdbLength);
    r.direction = request.Direction();
    if (request.dataLength > 0) r.data = std::span<std::uint8_t>(data, request.dataLength);
    r.timeoutSeconds = request.timeoutSeconds;
    r.senseLength = request.senseLength;
    r.record = request.Record();
    return drive.Execute(r);
}

int ScsiDevice::BeginRamLoad(Drive& drive) {
    DataArea area{};
    return SendBuffered(drive, vendor::BeginRamLoad(), area);
}

int ScsiDevice::WriteRam(Drive& drive, std::uint16_t address, std::uint16_t length, const std::uint8_t* buffer) {
    auto result = Send(drive, vendor::WriteRam(address, length), const_cast<std::uint8_t*>(buffer));
    return result.TransportOk() && result.scsiStatus == 0 ? 1 : 0;
}

int ScsiDevice::ResetFlash(Drive& drive, std::uint8_t* reply, std::uint8_t mask, std::uint8_t command,
                           std::uint8_t mode) {
    DataArea area{};
    auto result = Send(drive, vendor::ResetFlash(mask, command, mode), area.data());
    if (!result.TransportOk()) return 0;
    std::memcpy(reply, area.data(), std::min<std::size_t>(result.bytesMoved, 8));
    return 1;
}

int ScsiDevice::WriteFlashParameters(Drive& drive, const std::uint8_t* block512) {
    return Carried(Send(drive, vendor::WriteFlashParameters(), const_cast<std::uint8_t*>(block512)));
}

int ScsiDevice::SetInterleave(Drive& drive, std::uint8_t x, std::uint8_t y, std::uint8_t z) {
    DataArea area{};
    return SendBuffered(drive, vendor::SetInterleave(x, y, z), area);
}

int ScsiDevice::EraseBlock(Drive& drive, std::uint32_t sector, std::uint8_t* reply16, std::uint8_t mask) {
    std::memset(reply16, 0, 4);
    return Carried(Send(drive, vendor::EraseBlock(sector, mask), reply16));
}

int ScsiDevice::ReadSpare(Drive& drive, std::uint32_t sector, std::uint8_t* reply16, std::uint8_t mask) {
    std::memset(reply16, 0, 4);
    return Carried(Send(drive, vendor::ReadSpare(sector, mask), reply16));
}

int ScsiDevice::EraseBlockWithStatus(Drive& drive, std::uint32_t sector, std::uint8_t mask) {
    DataArea area{};
    return SendBuffered(drive, vendor::EraseBlockWithStatus(sector, mask), area);
}

int ScsiDevice::WritePages(Drive& drive, std::uint32_t sector, std::uint32_t count, const std::uint8_t* buffer,
                           std::uint8_t mask, const std::uint8_t spare[4]) {
    return Carried(Send(drive, vendor::WritePages(sector, count, mask, spare), const_cast<std::uint8_t*>(buffer)));
}

int ScsiDevice::ReadPages(Drive& drive, std::uint32_t sector, std::uint32_t length, std::uint8_t* buffer,
                          std::uint8_t mask, std::uint8_t status) {
    return Carried(Send(drive, vendor::ReadPages(sector, length, mask, status), buffer));
}

}  // namespace mendora
