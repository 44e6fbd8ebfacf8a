#pragma once
#include <memory>
#include <string>

#include "platform/kernel/fake/FakeServices.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "tests/TempDir.h"
#include "vdrive/Presets.h"

namespace mendora::testing {

// A formatted virtual drive of 1024 sectors (64 blocks of 16) that may lie about its disk,
// opened through the transport a certify uses.
struct CertifyDrive {
    TempDir dir;
    platform::FakeClock clock;
    std::unique_ptr<platform::VirtualScsiTransport> transport;

    explicit CertifyDrive(std::uint32_t badBlocks = 0, std::uint64_t announced = 0, std::uint32_t lost = 0) {
        vdrive::DriveSetup setup = *vdrive::Preset("qf90");
        setup.geometry = vdrive::Geometry{1, 1, 64, 4, 4};
        setup.plantings.factoryBad = badBlocks;
        setup.formatted = true;
        setup.lies.announcedSectors = announced;
        setup.lies.lostSectors = lost;
        std::string error;
        auto drive = vdrive::VirtualDrive::Create(dir / "drive.img", setup, &error);
        transport = std::make_unique<platform::VirtualScsiTransport>(std::move(drive), clock);
    }
    vdrive::VirtualDrive& drive() { return transport->drive(); }
};

}  // namespace mendora::testing
