#pragma once
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flash/RevertEngine.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "tests/TempDir.h"
#include "tests/vdrive/DriveTestKit.h"
#include "vdrive/VirtualDrive.h"

namespace mendora::testing {

using Bytes = std::vector<std::uint8_t>;

using NoUsbDisks = platform::NoUsbDisks;

// One command as it went to the drive.
struct SentCommand {
    Bytes cdb;
    Bytes dataOut;       // the bytes sent, for data-out commands
    std::size_t length;  // data phase length
};

// Passes commands on and keeps a copy of each.
class RecordingTransport : public platform::ScsiTransport {
public:
    RecordingTransport(std::unique_ptr<platform::ScsiTransport> inner, std::vector<SentCommand>& log,
                       std::function<void(const SentCommand&)>& onSend, const std::size_t& resetAfter)
        : inner_(std::move(inner)), log_(log), onSend_(onSend), resetAfter_(resetAfter) {}
    platform::ScsiResult Execute(const platform::ScsiRequest& request) override {
        SentCommand sent{Bytes(request.cdb.begin(), request.cdb.end()), {}, request.data.size()};
        if (request.direction == platform::DataDirection::Out) sent.dataOut.assign(request.data.begin(), request.data.end());
        if (onSend_) onSend_(sent);
        log_.push_back(std::move(sent));
        platform::ScsiResult result = inner_->Execute(request);
        result.afterReset = log_.size() > resetAfter_;
        return result;
    }

private:
    std::unique_ptr<platform::ScsiTransport> inner_;
    std::vector<SentCommand>& log_;
    std::function<void(const SentCommand&)>& onSend_;
    const std::size_t& resetAfter_;
};

// The drive namespace of one virtual image whose opened drives record every command after
// the identity check.
class RecordingDrives : public platform::DriveNamespace {
public:
    RecordingDrives(const std::string& image, platform::Clock& clock) : DriveNamespace({image}, finder_, clock) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string& name, std::string* error) override {
        opened.push_back(name);
        auto drive = DriveNamespace::Open(name, error);
        if (!drive) return nullptr;
        return std::make_unique<RecordingTransport>(std::move(drive), sent, onSend, resetAfter);
    }
    std::vector<std::string> opened;
    std::vector<SentCommand> sent;
    std::function<void(const SentCommand&)> onSend;  // called before each command goes out
    // Answers past this many commands say the device was reset (a port reset) before them.
    std::size_t resetAfter = SIZE_MAX;

private:
    NoUsbDisks finder_;
};

// A revert image file whose RAM part the virtual controller accepts for the model.
inline void WriteRevertImage(const std::string& path, std::uint16_t model, std::size_t size = 24576) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    Bytes file(size, 0xA5);
    Bytes ram = RamImage(model);
    if (size >= 20480 + 4096) std::copy(ram.begin(), ram.end(), file.begin() + 20480);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

// The records as the console fills them for a drive.
inline void FillConsoleRecords(const vdrive::DriveSetup& setup, FlashGeometry& geo, RevertOptions& options) {
    const vdrive::Geometry& g = setup.geometry;
    std::snprintf(geo.DriveName, sizeof geo.DriveName, "D:");
    geo.model = 0x0090;
    geo.chipcnt = g.chipEnables;
    std::copy_n(setup.identity.flashId, 5, geo.chipid);
    geo.MLC = (setup.identity.flashId[2] & 0x0C) != 0;
    geo.DualMode = (setup.identity.attribute >> 5) & 1;
    geo.zbank = setup.identity.zoneBank;
    geo.maxBlocks = g.blocksPerZone;
    geo.PagesPerBlock = g.pagesPerBlock;
    geo.SectorsPerPage = g.sectorsPerPage;
    geo.SectorsPerBlocks = g.SectorsPerBlock();
    geo.maxZones = g.zones;
    geo.BlocksPerChip = g.BlocksPerChip();
    geo.attrib = setup.identity.attribute;
    geo.A1Version = setup.identity.a1Version != 0;
    geo.ReduantSymbol = setup.identity.redundantSymbol;
    geo.ProgressShare = 100;
    options = RevertOptions{};
    options.EccLimit = 2;
    options.SettingIndexA = 1;
    options.SettingIndexB = 3;
    options.PageListCount = 6;
}

// A small virtual drive, the executable's directory with the revert images, fake host
// services and the console's records.
struct EngineBench {
    explicit EngineBench(vdrive::DriveSetup driveSetup = SmallSetup()) : setup(std::move(driveSetup)) {
        std::string error;
        auto created = vdrive::VirtualDrive::Create(image, setup, &error);
        drive = std::move(created);
        WriteRevertImage(exeDir + "/RevertBoot/90/q90s.bin", 0x0090);
        WriteRevertImage(exeDir + "/RevertBoot/90/q90sa1.bin", 0x0090);
        WriteRevertImage(exeDir + "/RevertBoot/70/q70s.bin", 0x0070);
        FillConsoleRecords(setup, geo, options);
    }

    std::unique_ptr<RevertEngine> Engine(int logFlag = 0, const std::string& name = "") {
        auto engine = std::make_unique<RevertEngine>(name, geo, options, logFlag, host);
        engine->SetEccLimit(options.EccLimit);
        return engine;
    }

    // The console's sequence: the result of the last pass that ran.
    std::uint8_t RunComplete() {
        auto engine = Engine();
        geo.Progress = 0;
        std::uint8_t result = engine->EraseAll(1);
        if (result == 2) geo.Progress = 0, result = engine->PatternTest(1);
        if (result == 2) geo.Progress = 0, result = engine->CheckBlank();
        return result;
    }

    std::vector<vdrive::BlockStatus> Marked() {
        std::string error;
        return drive->Info(&error)->marked;
    }

    std::vector<SentCommand> SentWith(std::uint8_t opcode) const {
        std::vector<SentCommand> found;
        for (const auto& c : drives.sent) {
            if (c.cdb[0] == opcode) found.push_back(c);
        }
        return found;
    }

    vdrive::DriveSetup setup;
    TempDir dir;
    std::string image = dir / "drive.img";
    std::string exeDir = dir / "exe";
    std::unique_ptr<vdrive::VirtualDrive> drive;
    platform::FakeKernel fakes;
    RecordingDrives drives{image, fakes.clock};
    RevertHost host{drives, fakes.files, fakes.registry, fakes.profiles, fakes.messages, fakes.clock, exeDir};
    FlashGeometry geo;
    RevertOptions options;
};

inline vdrive::DriveSetup SmallDrive(std::uint32_t chips, std::uint32_t blocks, std::uint32_t pages = 4,
                                std::uint32_t sectorsPerPage = 4) {
    vdrive::DriveSetup setup = SmallSetup();
    setup.geometry = vdrive::Geometry{chips, 1, blocks, pages, sectorsPerPage};
    return setup;
}

}  // namespace mendora::testing
