// A drive that lies about its disk: the capacity it announces, where addresses beyond the
// disk held land, the sectors it loses; and the image versions that carry it.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "protocol/DiskCommands.h"
#include "tests/TempDir.h"
#include "vdrive/ImageFormat.h"
#include "vdrive/Presets.h"
#include "vdrive/VirtualDrive.h"

namespace mendora {
namespace {

// 64 blocks of 16 sectors: 1024 sectors of flash; two bad blocks leave 992 for the disk.
std::unique_ptr<vdrive::VirtualDrive> Make(const std::string& path, std::uint64_t announced, std::uint32_t lost,
                                           std::uint32_t bad = 2) {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = vdrive::Geometry{1, 1, 64, 4, 4};
    setup.plantings.factoryBad = bad;
    setup.formatted = true;
    setup.lies = {announced, lost, 9};
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(path, setup, &error);
    EXPECT_TRUE(drive) << error;
    return drive;
}

std::vector<std::uint8_t> Sector(vdrive::VirtualDrive& d, std::uint32_t lba) {
    std::vector<std::uint8_t> data(512);
    auto cdb = disk::ReadWrite10Cdb(disk::kRead10, lba, 1);
    EXPECT_EQ(d.Execute(vdrive::Command{cdb, vdrive::Direction::In, data, 10}).status, 0);
    return data;
}

void Put(vdrive::VirtualDrive& d, std::uint32_t lba, std::uint8_t fill) {
    std::vector<std::uint8_t> data(512, fill);
    auto cdb = disk::ReadWrite10Cdb(disk::kWrite10, lba, 1);
    EXPECT_EQ(d.Execute(vdrive::Command{cdb, vdrive::Direction::Out, data, 10}).status, 0);
}

std::uint64_t Capacity(vdrive::VirtualDrive& d) {
    std::vector<std::uint8_t> a(8);
    vdrive::Command c{std::span<const std::uint8_t>(disk::kReadCapacityCdb), vdrive::Direction::In, a, 10};
    d.Execute(c);
    return (std::uint64_t{a[0]} << 24 | a[1] << 16 | a[2] << 8 | a[3]) + 1;
}

TEST(LyingDisk, AddressesAboveTheFlashWrapAroundAndThoseBetweenKeepNothing) {
    testing::TempDir dir;
    auto d = Make(dir / "d.img", 4096, 0);
    EXPECT_EQ(Capacity(*d), 4096u);
    Put(*d, 1024 + 5, 0xAB);  // lands on sector 5
    EXPECT_EQ(Sector(*d, 5), std::vector<std::uint8_t>(512, 0xAB));
    EXPECT_EQ(Sector(*d, 3 * 1024 + 5), std::vector<std::uint8_t>(512, 0xAB));
    Put(*d, 1000, 0xCD);  // between the 992 held and the flash's 1024: nowhere
    EXPECT_EQ(Sector(*d, 1000), std::vector<std::uint8_t>(512, 0));
    EXPECT_EQ(Sector(*d, 2024), std::vector<std::uint8_t>(512, 0));
    auto info = d->Info(nullptr);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->capacitySectors, 992u);
    EXPECT_EQ(info->lies.announcedSectors, 4096u);
}

TEST(LyingDisk, LostSectorsKeepWhatTheyHeldAndTheRestTakeTheWrite) {
    testing::TempDir dir;
    auto d = Make(dir / "d.img", 0, 40, 0);
    EXPECT_EQ(Capacity(*d), 1024u);
    std::vector<std::uint8_t> data(1024 * 512, 0x5A);
    for (std::uint32_t at = 0; at < 1024; at += 128) {
        std::span<std::uint8_t> part(data.data() + std::size_t{at} * 512, 128 * 512);
        auto cdb = disk::ReadWrite10Cdb(disk::kWrite10, at, 128);
        EXPECT_EQ(d->Execute(vdrive::Command{cdb, vdrive::Direction::Out, part, 10}).status, 0);
    }
    int zeros = 0;
    for (std::uint32_t s = 0; s < 1024; ++s) zeros += Sector(*d, s)[0] == 0;
    EXPECT_EQ(zeros, 40);
}

// An image without lies stays version 2, which every older build reads; one with them is
// version 3, and both open again.
TEST(LyingDisk, OnlyAnImageThatLiesIsWrittenAsVersionThree) {
    testing::TempDir dir;
    for (bool lies : {false, true}) {
        const std::string path = dir / (lies ? "v3.img" : "v2.img");
        Make(path, lies ? 2048 : 0, 0).reset();
        std::ifstream in(path, std::ios::binary);
        vdrive::format::Header h{};
        in.read(reinterpret_cast<char*>(&h), sizeof h);
        EXPECT_EQ(h.version, lies ? 3u : 2u);
        std::string error;
        auto reopened = vdrive::VirtualDrive::Open(path, &error);
        ASSERT_TRUE(reopened) << error;
        EXPECT_EQ(Capacity(*reopened), lies ? 2048u : 992u);
    }
}

}  // namespace
}  // namespace mendora
