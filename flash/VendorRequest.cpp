#include "flash/VendorRequest.h"

#include <initializer_list>

#include "protocol/VendorOpcodes.h"

namespace mendora::vendor {

namespace {

VendorRequest Make(RequestPath path, std::initializer_list<std::uint8_t> cdb, std::uint8_t cdbLength,
                   std::uint8_t dataIn, std::uint32_t dataLength, std::uint32_t timeout = 200) {
    VendorRequest r;
    r.path = path;
    std::size_t i = 0;
    for (std::uint8_t b : cdb) r.cdb[i++] = b;
    r.cdbLength = cdbLength;
    r.dataIn = dataIn;
    r.dataLength = dataLength;
    r.timeoutSeconds = timeout;
    // A buffered record hands back its header, sense area and the expected data bytes.
    r.outputLength = path == RequestPath::Buffered ? 80 + dataLength : 80;
    return r;
}

// A 13-byte flash command addressing a sector: OP xx S3 S2 S1 S0 ... M.
VendorRequest Addressed(RequestPath path, std::uint8_t op, std::uint32_t sector, std::uint8_t mask,
                        std::uint8_t dataIn, std::uint32_t dataLength) {
    VendorRequest r = Make(path, {op}, 13, dataIn, dataLength);
    r.cdb[2] = static_cast<std::uint8_t>(sector >> 24);
    r.cdb[3] = static_cast<std::uint8_t>(sector >> 16);
    r.cdb[4] = static_cast<std::uint8_t>(sector >> 8);
    r.cdb[5] = static_cast<std::uint8_t>(sector);
    r.cdb[12] = mask;
    return r;
}

}  // namespace

VendorRequest BeginRamLoad() { return Make(RequestPath::Buffered, {opcode::kRamLoad, 0x13, 0x01}, 10, 0, 0); }

VendorRequest WriteRam(std::uint16_t address, std::uint16_t length) {
    // The data phase is always one 512-byte chunk; the length only goes into the CDB.
    auto lo = static_cast<std::uint8_t>(length), hi = static_cast<std::uint8_t>(length >> 8);
    return Make(RequestPath::Direct,
                {opcode::kRamLoad, 0x00, 0x01, static_cast<std::uint8_t>(address >> 8),
                 static_cast<std::uint8_t>(address), lo, 0x03, hi, lo},
                12, 0, 512);
}

VendorRequest ResetFlash(std::uint8_t mask, std::uint8_t command, std::uint8_t mode) {
    return Make(RequestPath::Buffered, {opcode::kResetFlash, 0x10, mask, command, mode}, 10, 1, 8);
}

VendorRequest WriteFlashParameters() { return Make(RequestPath::Direct, {opcode::kWriteFlashParameters}, 13, 0, 512); }

VendorRequest SetInterleave(std::uint8_t x, std::uint8_t y, std::uint8_t z) {
    return Make(RequestPath::Buffered, {opcode::kSetInterleave, 0x00, x, y, z}, 10, 1, 1, 2);
}

VendorRequest EraseBlock(std::uint32_t sector, std::uint8_t mask) {
    VendorRequest r = Addressed(RequestPath::Direct, opcode::kEraseBlock, sector, mask, 1, 16);
    r.senseLength = 0;
    return r;
}

VendorRequest EraseBlockWithStatus(std::uint32_t sector, std::uint8_t mask) {
    return Addressed(RequestPath::Buffered, opcode::kEraseBlockWithStatus, sector, mask, 1, 1);
}

VendorRequest ReadSpare(std::uint32_t sector, std::uint8_t mask) {
    VendorRequest r = Addressed(RequestPath::Direct, opcode::kReadSpare, sector, mask, 1, 16);
    r.senseLength = 0;
    return r;
}

VendorRequest WritePages(std::uint32_t sector, std::uint32_t count, std::uint8_t mask, const std::uint8_t spare[4]) {
    // Only the count's low byte fits the CDB; the data length uses the full count.
    VendorRequest r = Addressed(RequestPath::Direct, opcode::kWritePages, sector, mask, 0, count * 512);
    r.cdb[1] = spare[0];
    r.cdb[8] = static_cast<std::uint8_t>(count);
    r.cdb[9] = spare[1];
    r.cdb[10] = spare[2];
    r.cdb[11] = spare[3];
    return r;
}

VendorRequest ReadPages(std::uint32_t sector, std::uint32_t length, std::uint8_t mask, std::uint8_t status) {
    std::uint32_t count = status != 0 || length < 512 ? 1 : length / 512;
    VendorRequest r = Addressed(RequestPath::Direct, opcode::kReadPages, sector, mask, 1, status != 0 ? 2 : length);
    r.cdb[7] = status;
    r.cdb[8] = static_cast<std::uint8_t>(count);
    return r;
}

}  // namespace mendora::vendor
