#include "resources/generator/Images.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "resources/generator/Prng.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/RevertImageFormat.h"

namespace mendora::genfiles {
namespace {

using revert::WriteLe16;

// Opcodes of an imaginary 8-bit controller with their operand byte counts.
struct Opcode {
    std::uint8_t code;
    std::uint8_t operands;
};
constexpr std::array<Opcode, 16> kOpcodes = {{
    {0x74, 1}, {0x90, 2}, {0xE0, 0}, {0xF0, 0}, {0x12, 2}, {0x22, 0}, {0x78, 1}, {0xE5, 1},
    {0xF5, 1}, {0x60, 1}, {0x70, 1}, {0xA3, 0}, {0x02, 2}, {0xC3, 0}, {0x54, 1}, {0x44, 1},
}};

// Code-like bytes: a skewed mix of a few opcodes, register-sized operands and jump
// targets inside the image, so the result compresses partly but is not trivial.
void FillCode(Prng& prng, std::uint8_t* out, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        std::uint32_t pick = prng.Below(100);
        const Opcode& op = kOpcodes[pick < 60 ? pick % 6 : pick % kOpcodes.size()];
        out[at++] = op.code;
        for (int i = 0; i < op.operands && at < size; ++i) {
            out[at++] = op.operands == 2 ? static_cast<std::uint8_t>(i == 0 ? 0xF0 | prng.Below(16)
                                                                            : prng.Byte())
                                         : static_cast<std::uint8_t>(prng.Below(32));
        }
    }
}

void FillCrc16Table(std::uint8_t* out) {
    for (unsigned n = 0; n < 256; ++n) {
        unsigned crc = n << 8;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
        WriteLe16(out + 2 * n, static_cast<std::uint16_t>(crc));
    }
}

void FillParityTable(std::uint8_t* out) {
    for (unsigned n = 0; n < 256; ++n) out[n] = static_cast<std::uint8_t>(__builtin_parity(n));
}

// Flash identification records: maker, device, geometry fields, 16 bytes each.
void FillFlashIdTable(Prng& prng, std::uint8_t* out, std::size_t size) {
    constexpr std::uint8_t kMakers[] = {0xEC, 0x98, 0xAD, 0x2C, 0x45, 0x89};
    for (std::size_t at = 0; at + 16 <= size; at += 16) {
        std::uint8_t* record = out + at;
        std::memset(record, 0, 16);
        record[0] = kMakers[prng.Below(sizeof kMakers)];
        record[1] = static_cast<std::uint8_t>(0xD0 | prng.Below(16));
        record[2] = static_cast<std::uint8_t>(prng.Below(4) << 2);
        record[3] = static_cast<std::uint8_t>(0x15 + prng.Below(3) * 0x10);
        WriteLe16(record + 4, static_cast<std::uint16_t>(1024u << prng.Below(4)));  // blocks
        record[6] = static_cast<std::uint8_t>(32u << prng.Below(3));               // pages
        record[7] = static_cast<std::uint8_t>(4u << prng.Below(2));                // sectors
        record[8] = prng.Below(2) ? 8 : 14;                                        // symbol
    }
}

void PutText(std::uint8_t* out, std::string_view text, std::size_t width) {
    std::memset(out, ' ', width);
    std::memcpy(out, text.data(), std::min(text.size(), width));
}

// The common shape of a 64 KiB firmware bank, without its version.
void FillFirmwareBank(Prng& prng, std::string_view name, std::uint8_t* bank) {
    std::memset(bank, 0xFF, firmware::kImageSize);
    for (int i = 0; i < 16; ++i) WriteLe16(bank + 2 * i, static_cast<std::uint16_t>(0x0100 + 0x40 * i));
    PutText(bank + 0x20, "QFW", 4);
    PutText(bank + 0x24, name, 28);
    FillCode(prng, bank + 0x0100, 0xC000 - 0x0100);
    FillCrc16Table(bank + 0xC000);
    FillParityTable(bank + 0xC200);
    FillFlashIdTable(prng, bank + 0xC300, 0xD000 - 0xC300);
    FillCode(prng, bank + 0xF000, 0x1000 - 2);
}

std::uint16_t Sum16(const std::uint8_t* data, std::size_t size) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum = static_cast<std::uint16_t>(sum + data[i]);
    return sum;
}

// A 16-bit sum over all but the last two bytes, stored in those two.
void SealChecksum(std::uint8_t* data, std::size_t size) {
    WriteLe16(data + size - 2, Sum16(data, size - 2));
}

void RequireVersionText(std::string_view version) {
    if (version.size() != firmware::kVersionSize) {
        throw std::invalid_argument("firmware version must have 6 characters");
    }
}

}  // namespace

Bytes MakeLoaderBlock(std::string_view name) {
    Prng prng = Prng::ForName(name);
    Bytes out(kLoaderSize);
    PutText(out.data(), "QLDR", 4);
    WriteLe16(out.data() + 4, 0xF000);  // load address
    WriteLe16(out.data() + 6, 1024);    // code length
    PutText(out.data() + 8, name, 18);
    FillCode(prng, out.data() + 28, 1024);
    WriteLe16(out.data() + 26, Sum16(out.data() + 28, 1024));
    return out;
}

Bytes MakeFirmwareImage(std::string_view name, std::string_view version, std::optional<std::uint16_t> chipId) {
    RequireVersionText(version);
    Prng prng = Prng::ForName(name);
    Bytes out(firmware::kImageSize);
    FillFirmwareBank(prng, name, out.data());
    if (chipId) {
        std::string tag = firmware::ControllerTag(*chipId);
        if (tag.size() != firmware::kControllerSize) throw std::invalid_argument("chip id has no controller tag");
        std::memcpy(out.data() + firmware::kControllerOffset, tag.data(), tag.size());
    }
    std::memcpy(out.data() + firmware::kVersionOffset - 2, "FW", 2);
    std::memcpy(out.data() + firmware::kVersionOffset, version.data(), version.size());
    std::memcpy(out.data() + firmware::kVersionOffset + version.size(), "BLD0517", 7);
    SealChecksum(out.data(), out.size());
    return out;
}

Bytes MakeDualImage(std::string_view name, std::string_view version) {
    Bytes out = MakeFirmwareImage(name, version);
    Prng prng = Prng::ForName(std::string(name) + "#bank1");
    out.resize(kDualImageSize);
    std::uint8_t* bank1 = out.data() + firmware::kImageSize;
    FillFirmwareBank(prng, name, bank1);
    SealChecksum(bank1, firmware::kImageSize);
    return out;
}

Bytes MakeRevertImage(std::string_view name, std::uint16_t model, std::uint16_t version) {
    Prng prng = Prng::ForName(name);
    Bytes out(revert::kMinFileSize, 0xFF);
    PutText(out.data(), "QRVF", 4);
    WriteLe16(out.data() + 4, model);
    PutText(out.data() + 8, name, 24);
    FillCode(prng, out.data() + 0x0100, 0x4000 - 0x0100);
    FillCrc16Table(out.data() + 0x4000);
    FillParityTable(out.data() + 0x4200);
    FillFlashIdTable(prng, out.data() + 0x4300, 0x0500);

    std::uint8_t* ram = out.data() + revert::kRamImageOffset;
    FillCode(prng, ram + revert::kRamHeaderSize, 0x0C00 - revert::kRamHeaderSize);
    FillCrc16Table(ram + 0x0C00);
    revert::SealRamImage(ram, model, version, revert::kRamLoadAddress + revert::kRamHeaderSize);
    return out;
}

}  // namespace mendora::genfiles
