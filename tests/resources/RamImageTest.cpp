#include <gtest/gtest.h>

#include <array>

#include "protocol/RevertImageFormat.h"

namespace mendora {
namespace {

using RamImage = std::array<std::uint8_t, revert::kRamImageSize>;

RamImage SealedImage(std::uint16_t model) {
    RamImage ram{};
    for (std::size_t i = revert::kRamHeaderSize; i < ram.size(); ++i) ram[i] = static_cast<std::uint8_t>(i * 7);
    revert::SealRamImage(ram.data(), model, 0x0312, 0xF010);
    return ram;
}

TEST(RamImage, HeaderLayoutIsLittleEndian) {
    RamImage ram = SealedImage(revert::kModelQf90);
    const std::uint8_t kHeader[] = {'Q', 'R', 'V', 'R', 0x90, 0x00, 0x12, 0x03};
    EXPECT_TRUE(std::equal(std::begin(kHeader), std::end(kHeader), ram.begin()));
    EXPECT_EQ(ram[12], 0x10);
    EXPECT_EQ(ram[13], 0xF0);
    std::uint32_t crc = crc32(0, ram.data() + 16, static_cast<uInt>(ram.size() - 16));
    EXPECT_EQ(revert::ReadLe32(ram.data() + 8), crc);
}

TEST(RamImage, ValidatesMagicModelEntryAndCrc) {
    std::uint16_t model = 0;
    RamImage good70 = SealedImage(revert::kModelQf70);
    EXPECT_TRUE(revert::IsValidRamImage(good70.data(), &model));
    EXPECT_EQ(model, revert::kModelQf70);
    EXPECT_TRUE(revert::IsValidRamImage(SealedImage(revert::kModelQf90).data(), nullptr));

    RamImage corrupt = good70;
    corrupt[revert::kRamImageSize - 1] ^= 0x01;
    EXPECT_FALSE(revert::IsValidRamImage(corrupt.data(), &model));

    RamImage badMagic = good70;
    badMagic[0] = 'X';
    EXPECT_FALSE(revert::IsValidRamImage(badMagic.data(), &model));

    RamImage unknownModel{};
    revert::SealRamImage(unknownModel.data(), 0x0040, 1, 0xF010);
    EXPECT_FALSE(revert::IsValidRamImage(unknownModel.data(), &model));

    RamImage entryInHeader{};
    revert::SealRamImage(entryInHeader.data(), revert::kModelQf70, 1, 0xF004);
    EXPECT_FALSE(revert::IsValidRamImage(entryInHeader.data(), &model));

    RamImage blank{};
    blank.fill(0xFF);
    model = 0x1234;
    EXPECT_FALSE(revert::IsValidRamImage(blank.data(), &model));
    EXPECT_EQ(model, 0x1234);  // left alone on failure
}

}  // namespace
}  // namespace mendora
