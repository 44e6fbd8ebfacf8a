#pragma once
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "flash/RevertEngine.h"
#include "fuzz/FuzzSupport.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "platform/scsi/DriveNamespace.h"

namespace mendora::fuzz {

// Hands the engine a drive that forwards every command to one transport of the input.
class ForwardingDrives : public platform::DriveNamespace {
public:
    ForwardingDrives(platform::ScsiTransport& drive, platform::Clock& clock)
        : DriveNamespace({}, none_, clock), drive_(drive) {}
    std::unique_ptr<platform::ScsiTransport> Open(const std::string&, std::string*) override {
        return std::make_unique<Forward>(drive_);
    }

private:
    using NoDisks = platform::NoUsbDisks;
    struct Forward : platform::ScsiTransport {
        explicit Forward(platform::ScsiTransport& to) : to(to) {}
        platform::ScsiResult Execute(const platform::ScsiRequest& request) override { return to.Execute(request); }
        platform::ScsiTransport& to;
    };
    NoDisks none_;
    platform::ScsiTransport& drive_;
};

// The flash as the console describes it, kept short: the input picks a geometry of at most
// 4 chip-enables x 32 blocks x 8 pages x 8 sectors, the model and the revert options.
struct ShortGeometry {
    FlashGeometry geo;
    RevertOptions options;

    explicit ShortGeometry(Bytes& input) {
        const std::uint8_t a = input.U8(), b = input.U8(), c = input.U8(), d = input.U8();
        std::snprintf(geo.DriveName, sizeof geo.DriveName, "D:");
        geo.model = (a & 1) ? 0x0070 : 0x0090;
        geo.chipcnt = 1 + ((a >> 1) & 3);
        const std::uint8_t flashId[5] = {0x2C, 0xD7, 0x94, 0x3E, 0x84};
        std::copy_n(flashId, 5, geo.chipid);
        geo.MLC = (a >> 3) & 1;
        geo.DualMode = (a >> 4) & 1;
        geo.zbank = 1 + ((a >> 5) & 1);
        geo.A1Version = (a >> 6) & 1;
        geo.maxZones = 1 + (b & 1);
        geo.maxBlocks = 1 + ((b >> 1) & 15);
        geo.PagesPerBlock = 1u << ((b >> 5) & 3);
        geo.SectorsPerPage = 1u << (c & 3);
        geo.SectorsPerBlocks = geo.PagesPerBlock * geo.SectorsPerPage;
        geo.BlocksPerChip = geo.maxZones * geo.maxBlocks;
        geo.ReduantSymbol = (c & 4) ? 14 : 8;
        geo.ProgressShare = 100;
        options.EccLimit = (c >> 3) & 3;
        options.SettingIndexA = 1;
        options.SettingIndexB = 3;
        options.TwoPlane = (c >> 5) & 1;
        options.InterleaveIndex = (c >> 6) & 3;
        options.PageListCount = d & 7;
        options.PageListMode = (d >> 3) & 1;
        options.RecordBadBlockTable = (d >> 4) & 1;
        options.PairedPageMode = (d >> 5) & 1;
        options.TestLevel = (d >> 6) & 3;
    }
};

// The executable's directory with the revert images the engine loads; made once.
const std::string& EngineDirectory();

}  // namespace mendora::fuzz
