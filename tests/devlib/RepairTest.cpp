#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "devlib/RepairRun.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/kernel/fake/FakeServices.h"
#include "protocol/DiskCommands.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/LibraryCommandSet.h"
#include "tests/FileBytes.h"
#include "tests/devlib/DevlibTestKit.h"

namespace mendora::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUpdateFirmware = 0x80;

vdrive::Reply Send(vdrive::VirtualDrive& drive, Bytes cdb, vdrive::Direction direction, Bytes& data) {
    return drive.Execute(vdrive::Command{cdb, direction, data, 10});
}

Bytes Rw10(std::uint8_t op, std::uint32_t lba, std::uint16_t count) {
    const auto cdb = disk::ReadWrite10Cdb(op, lba, count);
    return Bytes(cdb.begin(), cdb.end());
}

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes StoredFirmware(vdrive::VirtualDrive& drive) {
    Bytes stored(65536);
    Bytes readCdb(library::kReadFirmwareCdb.begin(), library::kReadFirmwareCdb.end());
    Send(drive, readCdb, vdrive::Direction::In, stored);
    return stored;
}

struct Repair : LibraryFixture {
    // Runs the repair as the console does: selected first, the result read once it ends.
    std::uint32_t RunRepair(std::uint8_t flags) {
        EXPECT_EQ(qdll.DeviceExist(handle), 1);
        EXPECT_EQ(qdll.SetCurrentDriveNumber(handle, 0), 1);
        qdll.RunRepairDevice(handle, flags);
        EXPECT_EQ(qdll.GetCurrentState(handle) & 0xFF, kQdllStateFinished);
        return qdll.GetErrorCode(handle);
    }
    void ExpectBadBlocks(std::uint32_t bad, std::uint32_t total) {
        std::uint32_t b = 0, t = 0;
        std::uint16_t divisor = 0;
        ASSERT_EQ(qdll.GetBADBlockInfomation(handle, &b, &t, &divisor), 1);
        EXPECT_EQ(b, bad);
        EXPECT_EQ(t, total);
        EXPECT_EQ(divisor, total ? 1 : 0);
    }
};

TEST_F(Repair, FormatsTheGoodBlocksAndWritesTheUpdateFirmware) {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.plantings = vdrive::Plantings{5, 2, 1, 3, 9};  // only the five factory-bad blocks carry marks
    auto drive = Plug(setup);
    ASSERT_EQ(RunRepair(kUpdateFirmware | 0), 0u);
    EXPECT_EQ(qdll.GetCurrentProgress(handle), 100);
    ExpectBadBlocks(5, 8192);

    // The drive is a disk again: (8192 - 5) blocks x 1024 sectors.
    Bytes capacity(8);
    ASSERT_EQ(Send(*drive, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, vdrive::Direction::In, capacity).status, 0);
    EXPECT_EQ(capacity, (Bytes{0x00, 0x7F, 0xEB, 0xFF, 0x00, 0x00, 0x02, 0x00}));
    Bytes data(4 * 512, 0x6D), back(4 * 512);
    EXPECT_EQ(Send(*drive, Rw10(0x2A, 0x7FEBFC, 4), vdrive::Direction::Out, data).status, 0);
    EXPECT_EQ(Send(*drive, Rw10(0x28, 0x7FEBFC, 4), vdrive::Direction::In, back).status, 0);
    EXPECT_EQ(back, data);

    // Firmware of selection code 0 made for the drive's controller: the QF90 image, byte for byte.
    auto info = drive->Info(nullptr);
    EXPECT_TRUE(info->diskReady);
    EXPECT_EQ(*info->identity.firmwareVersion, "Q90120");
    EXPECT_EQ(StoredFirmware(*drive), FileBytes(ExecutableDirectory() + "/Boot/90/fw90.bin"));
    char version[32] = {};
    qdll.GetFwVersion(handle, version);
    EXPECT_STREQ(version, "Q90120");
}

TEST_F(Repair, EachControllerGetsTheImageOfItsOwnForTheSelectionCode) {
    const struct {
        const char* preset;
        std::uint8_t code;
        const char* entry;
        const char* version;
    } cases[] = {
        {"qf70", 0, "70/fw70.bin", "Q70105"},    {"qf70", 2, "FP/fwfp.bin", "QFP308"},
        {"qf90", 1, "BCD/90/fwbcd.bin", "QBC220"}, {"qf90", 2, "FP/90/fwfp.bin", "QFP320"},
        {"dual-channel", 0, "90/fw90.bin", "Q90120"},
    };
    for (const auto& c : cases) {
        auto drive = Plug(c.preset, std::string(c.preset) + std::to_string(c.code) + ".img");
        ASSERT_EQ(RunRepair(kUpdateFirmware | c.code), 0u) << c.preset << " " << int{c.code};
        EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, c.version) << c.preset;
        EXPECT_EQ(StoredFirmware(*drive), FileBytes(ExecutableDirectory() + "/Boot/" + c.entry)) << c.preset;
    }
}

TEST_F(Repair, AChipWithoutAnImageOfItsOwnIsNotUpdated) {
    auto drive = Plug("unsupported");  // chip 0080h
    EXPECT_EQ(RunRepair(kUpdateFirmware), kQdllRepairFailed);
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90110");
    // Without the update bit the rest of the repair is done.
    EXPECT_EQ(RunRepair(0), 0u);
}

TEST_F(Repair, WithoutTheUpdateBitTheFirmwareStays) {
    auto drive = Plug("qf70-nofw");
    ASSERT_EQ(RunRepair(0x20 | 0x40 | 2), 0u);
    ExpectBadBlocks(0, 4096);
    EXPECT_FALSE(drive->Info(nullptr)->identity.firmwareVersion.has_value());
    EXPECT_EQ(drive->Info(nullptr)->capacitySectors, 4096u * 256);
    // With it, code 1 writes the BCD image.
    ASSERT_EQ(RunRepair(kUpdateFirmware | 1), 0u);
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "QBC212");
}

TEST_F(Repair, FailsWithoutADriveAFirmwareFileOrWhenTheDriveGoesAway) {
    // No drive at all.
    EXPECT_EQ(qdll.RunRepairDevice(handle, kUpdateFirmware), 0);
    EXPECT_EQ(qdll.GetCurrentState(handle) & 0xFF, kQdllStateFinished);
    EXPECT_EQ(qdll.GetErrorCode(handle), kQdllRepairFailed);

    auto drive = Plug("qf90");
    // QF40 has no update image in the Boot tree.
    EXPECT_EQ(RunRepair(kUpdateFirmware | 3), kQdllRepairFailed);
    EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, "Q90110");

    // Gone after five commands: the identification and one chip's scan get through.
    EXPECT_EQ(qdll.SetCurrentDriveNumber(handle, 0), 1);
    ASSERT_TRUE(drive->RemoveAfter(4, nullptr));
    qdll.RunRepairDevice(handle, kUpdateFirmware);
    EXPECT_EQ(qdll.GetCurrentState(handle) & 0xFF, kQdllStateFinished);
    EXPECT_EQ(qdll.GetErrorCode(handle), kQdllRepairFailed);
    EXPECT_LT(qdll.GetCurrentProgress(handle), 100);
    EXPECT_FALSE(drive->Info(nullptr)->plugged);

    // Replugged, the same handle repairs it.
    ASSERT_TRUE(drive->SetPlugged(true, nullptr));
    EXPECT_EQ(RunRepair(kUpdateFirmware), 0u);
}

// The library's own repair run with a Boot tree of the test's making beside a made-up
// executable, so that the QF90 update image can be swapped for another.
TEST_F(Repair, AnImageNotMadeForTheDrivesControllerIsNeverWritten) {
    auto drive = Plug("qf90");
    const std::string qf90Image = ReadBytes(ExecutableDirectory() + "/Boot/90/fw90.bin");
    std::string untagged = qf90Image;
    untagged.replace(firmware::kControllerOffset, 4, "\xFF\xFF\xFF\xFF");
    const struct {
        const char* what;
        std::string image;
        bool written;
    } cases[] = {
        {"the QF70 image", ReadBytes(ExecutableDirectory() + "/Boot/70/fw70.bin"), false},
        {"an image naming no controller", untagged, false},
        {"the QF90 image", qf90Image, true},
    };
    platform::FakeProcessHost process;
    process.executablePath = dir / "Mendrix.exe";
    platform::NativeFileSystem files;
    std::filesystem::create_directories(dir / "Boot/90");
    devlib::MakerDrives drives;
    const platform::DriveIdentity place = drives.List().at(0).place;
    for (const auto& c : cases) {
        WriteBytes(dir / "Boot/90/fw90.bin", c.image);
        devlib::RepairStatus status;
        EXPECT_EQ(devlib::RepairRun(drives, process, files, status).Run(place, kUpdateFirmware), c.written) << c.what;
        EXPECT_EQ(*drive->Info(nullptr)->identity.firmwareVersion, c.written ? "Q90120" : "Q90110") << c.what;
    }
}

TEST_F(Repair, ProgressAndStateAreReadableFromAnotherThreadWhileItRuns) {
    auto drive = Plug("qf90");
    ASSERT_EQ(qdll.SetCurrentDriveNumber(handle, 0), 1);
    std::vector<int> seen;
    std::thread poller([&] {
        // The dialog's timer: progress and state until the state reads finished.
        while (true) {
            int state = qdll.GetCurrentState(handle) & 0xFF;
            seen.push_back(qdll.GetCurrentProgress(handle));
            if (state == kQdllStateFinished) break;
            std::this_thread::yield();
        }
    });
    std::thread worker([&] { qdll.RunRepairDevice(handle, kUpdateFirmware); });
    worker.join();
    poller.join();
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_EQ(qdll.GetErrorCode(handle), 0u);
}

}  // namespace
}  // namespace mendora::testing
