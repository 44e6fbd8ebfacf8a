// The certify on virtual drives with the USB 2.0 speed model. Prints two lines:
//   certify-full: the full certify of a drive / a plain write and read of every sector once
//     of the same drive, in the same transfers, measured in this run;
//   certify-quick: the quick certify of a 4 GiB drive / one second.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "certify/Certify.h"
#include "certify/DiskAccess.h"
#include "platform/kernel/linux/LinuxClock.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "vdrive/Presets.h"

namespace {

using namespace mendora;
using SteadyClock = std::chrono::steady_clock;

constexpr std::uint16_t kTransferSectors = 2048;  // what the certify uses on a host without a limit

std::unique_ptr<platform::VirtualScsiTransport> MakeDrive(const std::string& path, const vdrive::Geometry& geometry,
                                                          platform::Clock& clock) {
    vdrive::DriveSetup setup = *vdrive::Preset("qf90");
    setup.geometry = geometry;
    setup.formatted = true;
    setup.speed = vdrive::SpeedModel::Usb2;
    std::string error;
    auto drive = vdrive::VirtualDrive::Create(path, setup, &error);
    if (!drive) {
        std::fprintf(stderr, "certify bench: %s\n", error.c_str());
        std::exit(1);
    }
    return std::make_unique<platform::VirtualScsiTransport>(std::move(drive), clock);
}

double SecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// Every sector written once (each one different, so that the drive stores each) and read
// once, in the certify's transfers, nothing made or checked: the drive model's own time.
double PlainPass(platform::ScsiTransport& transport) {
    certify::DiskAccess disk(transport);
    const std::uint64_t sectors = disk.ReadCapacity()->sectors;
    std::vector<std::uint8_t> buffer(std::size_t{kTransferSectors} * 512, 0x5A);
    const auto start = SteadyClock::now();
    for (std::uint64_t at = 0; at < sectors; at += kTransferSectors) {
        const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kTransferSectors, sectors - at));
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint64_t sector = at + i;
            std::memcpy(&buffer[std::size_t{i} * 512], &sector, sizeof sector);
        }
        disk.Write(static_cast<std::uint32_t>(at), count, std::span(buffer).first(std::size_t{count} * 512));
    }
    for (std::uint64_t at = 0; at < sectors; at += kTransferSectors) {
        const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>(kTransferSectors, sectors - at));
        disk.Read(static_cast<std::uint32_t>(at), count, std::span(buffer).first(std::size_t{count} * 512));
    }
    return SecondsSince(start);
}

double CertifyTime(platform::ScsiTransport& transport, certify::Mode mode, std::string* verdict) {
    certify::CertifyOptions options;
    options.mode = mode;
    options.largestTransfer = kTransferSectors;
    certify::Progress progress;
    const auto start = SteadyClock::now();
    *verdict = certify::Certify(transport, options, progress).verdict;
    return SecondsSince(start);
}

}  // namespace

int main() {
    char dir[] = "/tmp/mendora-certify-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    platform::LinuxClock clock;
    std::string verdict;

    // 256 MiB: 1 chip of 2048 blocks of 64 pages of 4 sectors.
    const vdrive::Geometry full{1, 1, 2048, 64, 4};
    double plain = 0, certified = 0;
    {
        auto drive = MakeDrive(std::string(dir) + "/plain.img", full, clock);
        plain = PlainPass(*drive);
    }
    {
        auto drive = MakeDrive(std::string(dir) + "/full.img", full, clock);
        certified = CertifyTime(*drive, certify::Mode::Full, &verdict);
    }
    std::printf("certify-full: %.3f (full certify time %.1f s / the drive model's time for writing and reading every "
                "sector once %.1f s, 256 MiB drive, USB 2.0 model; %s) goal 1.05\n",
                certified / plain, certified, plain, verdict.c_str());
    std::filesystem::remove(std::string(dir) + "/plain.img");
    std::filesystem::remove(std::string(dir) + "/full.img");

    {
        // The QF90 preset: 2 chips of 4096 blocks of 128 pages of 8 sectors, 4 GiB.
        auto drive = MakeDrive(std::string(dir) + "/quick.img", vdrive::Preset("qf90")->geometry, clock);
        const double quick = CertifyTime(*drive, certify::Mode::Quick, &verdict);
        std::printf("certify-quick: %.3f (quick certify time %.2f s / one second, 4 GiB drive, USB 2.0 model; %s) goal 1.0\n",
                    quick, quick, verdict.c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
