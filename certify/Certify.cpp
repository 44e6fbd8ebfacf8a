#include "certify/Certify.h"

#include <chrono>

#include "certify/DiskAccess.h"
#include "certify/FullPass.h"
#include "certify/QuickProbe.h"
#include "certify/SectorKeeper.h"

namespace mendora::certify {

namespace {

// A run number of its own for every certify: a sector that keeps an older run's stamp
// never passes for one that took this run's.
std::uint64_t FreshRun(std::uint32_t seed) {
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (now << 16) ^ seed;
}

}  // namespace

std::optional<Mode> ModeNamed(const std::string& name) {
    if (name == "quick") return Mode::Quick;
    if (name == "full") return Mode::Full;
    return std::nullopt;
}

const char* ModeName(Mode mode) { return mode == Mode::Full ? "full" : "quick"; }

CertifyResult Certify(platform::ScsiTransport& transport, const CertifyOptions& options, Progress& progress) {
    CertifyResult result;
    DiskAccess disk(transport);
    const auto announced = disk.ReadCapacity();
    // Only 512-byte sectors addressed in 32 bits are certified; anything else is no stick's disk.
    if (!announced || announced->sectorBytes != kSectorBytes) {
        result.findings.ready = false;
        result.restored = true;
    } else if (options.mode == Mode::Quick) {
        SectorKeeper keeper;
        QuickSettings settings{FreshRun(options.seed), options.seed, options.sample, options.stop};
        result.findings = RunQuick(disk, announced->sectors, settings, progress, keeper);
        result.restored = keeper.Restore(disk);
    } else {
        FullSettings settings{FreshRun(options.seed), options.largestTransfer, options.stop};
        result.findings = RunFull(disk, announced->sectors, settings, progress);
    }
    // The plan's estimate of the work is done with, whatever the drive made of it.
    progress.done.store(progress.total.load());
    result.kind = KindOf(result.findings);
    result.verdict = VerdictText(result.findings);
    result.writeMBps = MegabytesPerSecond(progress.bytesWritten.load(), progress.writeMicros.load());
    result.readMBps = MegabytesPerSecond(progress.bytesRead.load(), progress.readMicros.load());
    return result;
}

}  // namespace mendora::certify
