#include "certify/QuickProbe.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "certify/ProbePlan.h"
#include "certify/Readings.h"
#include "certify/Stamp.h"

namespace mendora::certify {

namespace {

// Sectors written at once while the real size is looked for: one sector the drive lost
// does not pass for the end of its capacity.
constexpr std::uint64_t kProbeRun = 4;

using Clock = std::chrono::steady_clock;

class QuickRun {
public:
    QuickRun(DiskAccess& disk, std::uint64_t announced, const QuickSettings& settings, Progress& progress,
             SectorKeeper& keeper)
        : disk_(disk), announced_(announced), settings_(settings), progress_(progress), keeper_(keeper),
          run_(settings.run) {}

    Findings Run();

private:
    bool Stopped() const { return settings_.stop != nullptr && settings_.stop->load(std::memory_order_relaxed); }
    // Writes this run's stamps over `count` sectors from `first`, kept first.
    bool WriteStamps(std::uint64_t first, std::uint16_t count, std::uint64_t run);
    // Reads `count` sectors from `first`: for each, the position whose stamp of `run` it holds.
    bool ReadStamps(std::uint64_t first, std::uint16_t count, std::uint64_t run,
                    std::vector<std::optional<std::uint64_t>>* stamps);
    // Whether sector n + k reads back what was just written at k.
    std::optional<bool> WrapsAt(std::uint64_t n);
    std::uint64_t SmallestWrap(std::uint64_t period);
    // The last sector of [first, first + count) that holds its own stamp, if any.
    std::optional<std::optional<std::uint64_t>> LastHolding(std::uint64_t first, std::uint16_t count);
    std::uint64_t RealSize(const Readings& readings, std::uint64_t limit, const std::vector<std::uint64_t>& plan);
    void Moved(std::uint64_t sectors) { progress_.done.fetch_add(sectors, std::memory_order_relaxed); }

    DiskAccess& disk_;
    const std::uint64_t announced_;
    const QuickSettings& settings_;
    Progress& progress_;
    SectorKeeper& keeper_;
    std::uint64_t run_;
    bool lost_ = false;
};

std::uint64_t MicrosSince(Clock::time_point start) {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
}

bool QuickRun::WriteStamps(std::uint64_t first, std::uint16_t count, std::uint64_t run) {
    if (!keeper_.Keep(disk_, first, count)) return !(lost_ = true);
    std::vector<std::uint8_t> data(std::size_t{count} * kSectorBytes);
    for (std::uint16_t i = 0; i < count; ++i) FillStamp(data.data() + std::size_t{i} * kSectorBytes, first + i, run);
    const auto start = Clock::now();
    const Transfer written = disk_.Write(static_cast<std::uint32_t>(first), count, data);
    progress_.writeMicros.fetch_add(MicrosSince(start), std::memory_order_relaxed);
    progress_.bytesWritten.fetch_add(data.size(), std::memory_order_relaxed);
    Moved(count);
    if (written == Transfer::Lost || written == Transfer::TooLarge) return !(lost_ = true);
    return true;
}

bool QuickRun::ReadStamps(std::uint64_t first, std::uint16_t count, std::uint64_t run,
                          std::vector<std::optional<std::uint64_t>>* stamps) {
    std::vector<std::uint8_t> data(std::size_t{count} * kSectorBytes);
    const auto start = Clock::now();
    const Transfer read = disk_.Read(static_cast<std::uint32_t>(first), count, data);
    progress_.readMicros.fetch_add(MicrosSince(start), std::memory_order_relaxed);
    progress_.bytesRead.fetch_add(data.size(), std::memory_order_relaxed);
    Moved(count);
    if (read == Transfer::Lost || read == Transfer::TooLarge) return !(lost_ = true);
    stamps->assign(count, std::nullopt);
    if (read != Transfer::Done) return true;
    for (std::uint16_t i = 0; i < count; ++i)
        (*stamps)[i] = StampedPosition(data.data() + std::size_t{i} * kSectorBytes, run);
    return true;
}

// Three sectors from the start, so that one the drive lost does not hide the wrap.
std::optional<bool> QuickRun::WrapsAt(std::uint64_t n) {
    if (n == 0 || n >= announced_) return false;
    const auto count = static_cast<std::uint16_t>(std::min<std::uint64_t>({3, n, announced_ - n}));
    const std::uint64_t run = ++run_;
    std::vector<std::optional<std::uint64_t>> stamps;
    if (!WriteStamps(0, count, run) || !ReadStamps(n, count, run, &stamps)) return std::nullopt;
    for (std::uint16_t k = 0; k < count; ++k)
        if (stamps[k] == std::uint64_t{k}) return true;
    return false;
}

// The alias distances are multiples of the wrap; halving finds it where it is a power of two
// below them, as it is on a drive that ignores its upper address bits.
std::uint64_t QuickRun::SmallestWrap(std::uint64_t period) {
    auto wraps = WrapsAt(period);
    if (!wraps || !*wraps) return 0;
    while (period % 2 == 0) {
        auto half = WrapsAt(period / 2);
        if (!half || !*half) break;
        period /= 2;
    }
    return period;
}

std::optional<std::optional<std::uint64_t>> QuickRun::LastHolding(std::uint64_t first, std::uint16_t count) {
    const std::uint64_t run = ++run_;
    std::vector<std::optional<std::uint64_t>> stamps;
    if (!WriteStamps(first, count, run) || !ReadStamps(first, count, run, &stamps)) return std::nullopt;
    std::optional<std::uint64_t> last;
    for (std::uint16_t i = 0; i < count; ++i)
        if (stamps[i] == first + i) last = first + i;
    return last;
}

// Between the last planned sector that held and the next one (or the limit), halving the gap.
std::uint64_t QuickRun::RealSize(const Readings& readings, std::uint64_t limit, const std::vector<std::uint64_t>& plan) {
    const std::uint64_t heldTo = readings.HeldBelow(limit);
    if (heldTo == 0) return 0;
    std::uint64_t held = heldTo - 1;
    auto next = std::upper_bound(plan.begin(), plan.end(), held);
    std::uint64_t missing = next == plan.end() ? limit : std::min(*next, limit);
    while (missing - held > 1 && !Stopped() && !lost_) {
        const std::uint64_t middle = held + (missing - held) / 2;
        const auto count = static_cast<std::uint16_t>(std::min(kProbeRun, missing - middle));
        auto last = LastHolding(middle, count);
        if (!last) break;
        if (*last) {
            held = **last;
        } else {
            missing = middle;
        }
    }
    return missing;
}

Findings QuickRun::Run() {
    Findings findings;
    findings.announcedSectors = announced_;
    const std::vector<std::uint64_t> plan = QuickPositions(announced_, settings_.seed, settings_.sample);
    // Each planned sector is kept, written and read back, and later written back once more.
    progress_.total.store(plan.size() * 4 + 64 * kProbeRun, std::memory_order_relaxed);
    for (std::uint64_t position : plan) {
        if (Stopped() || !keeper_.Keep(disk_, position, 1)) break;
        Moved(1);
    }
    for (std::uint64_t position : plan) {
        if (Stopped() || !WriteStamps(position, 1, run_)) break;
    }
    Readings readings(announced_);
    std::vector<std::optional<std::uint64_t>> stamps;
    for (std::uint64_t position : plan) {
        if (Stopped() || !ReadStamps(position, 1, run_, &stamps)) break;
        readings.Saw(position, stamps[0]);
    }
    if (!Stopped() && !lost_ && readings.AliasPeriod() != 0) findings.wrapSector = SmallestWrap(readings.AliasPeriod());
    const std::uint64_t limit = findings.wrapSector != 0 ? findings.wrapSector : announced_;
    if (!Stopped() && !lost_) findings.realSectors = RealSize(readings, limit, plan);
    findings.lost = readings.LostBelow(findings.realSectors);
    findings.interrupted = Stopped();
    findings.driveLost = lost_;
    return findings;
}

}  // namespace

Findings RunQuick(DiskAccess& disk, std::uint64_t announced, const QuickSettings& settings, Progress& progress,
                  SectorKeeper& keeper) {
    return QuickRun(disk, announced, settings, progress, keeper).Run();
}

}  // namespace mendora::certify
