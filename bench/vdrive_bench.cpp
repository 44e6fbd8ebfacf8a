// Writes every page of a qf90 virtual drive through the transport in 64 KiB WritePages
// commands and compares the time with memcpy of the same bytes. Prints one line.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "flash/ScsiDevice.h"
#include "platform/kernel/linux/LinuxClock.h"
#include "platform/scsi/VirtualScsiTransport.h"
#include "vdrive/Presets.h"
#include "protocol/RevertImageFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void LoadRevertImage(mendora::platform::ScsiTransport& t) {
    std::vector<std::uint8_t> ram(4096, 0x5A);
    mendora::revert::SealRamImage(ram.data(), 0x0090, 1, 0xF010);
    mendora::ScsiDevice::BeginRamLoad(t);
    for (int k = 0; k < 8; ++k) mendora::ScsiDevice::WriteRam(t, 0xF000 + k * 0x200, 512, ram.data() + k * 512);
}

}  // namespace

int main() {
    char dir[] = "/tmp/mendora-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    std::string path = std::string(dir) + "/qf90.img";
    std::string error;
    auto drive = mendora::vdrive::VirtualDrive::Create(path, *mendora::vdrive::Preset("qf90"), &error);
    if (!drive) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    mendora::platform::LinuxClock clock;
    mendora::platform::VirtualScsiTransport transport(std::move(drive), clock);
    LoadRevertImage(transport);

    const auto& g = transport.drive().geometry();
    std::vector<std::uint8_t> pattern(65536), copy(65536);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 37 / 100);
    const std::uint8_t spare[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::uint64_t commands = 0;
    bool allWritten = true;
    auto start = Clock::now();
    for (std::uint32_t chip = 0; chip < g.chipEnables; ++chip) {
        for (std::uint64_t sector = 0; sector < std::uint64_t{g.BlocksPerChip()} * g.SectorsPerBlock(); sector += 128) {
            allWritten &= mendora::ScsiDevice::WritePages(transport, static_cast<std::uint32_t>(sector), 128,
                                                          pattern.data(), static_cast<std::uint8_t>(1u << (2 * chip)),
                                                          spare) == 1;
            ++commands;
        }
    }
    double writes = Seconds(Clock::now() - start);
    start = Clock::now();
    for (std::uint64_t i = 0; i < commands; ++i) {
        pattern[i % 64] ^= 1;  // keeps the copies from being folded away
        std::memcpy(copy.data(), pattern.data(), copy.size());
        asm volatile("" : : "r"(copy.data()) : "memory");
    }
    double copies = Seconds(Clock::now() - start);

    struct stat info {};
    ::stat(path.c_str(), &info);
    ::unlink(path.c_str());
    ::rmdir(dir);
    std::printf("vdrive-write: %.2f (64 KiB WritePages through the transport / memcpy of the same bytes) goal 4\n",
                writes / copies);
    if (!allWritten || info.st_size > 64ll * 1024 * 1024) {
        std::fprintf(stderr, "full write: %s, image %lld bytes\n", allWritten ? "ok" : "failed",
                     static_cast<long long>(info.st_size));
        return 1;
    }
    return 0;
}
