#include "certify/FullPass.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <vector>

#include "certify/Readings.h"
#include "certify/Stamp.h"

namespace mendora::certify {

namespace {

using SteadyClock = std::chrono::steady_clock;

std::uint64_t MicrosFrom(SteadyClock::time_point start) {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start).count());
}

// A piece of the disk and the buffer that carries it.
struct Chunk {
    std::uint64_t first = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> bytes;
};

class FullRun {
public:
    FullRun(DiskAccess& disk, std::uint64_t announced, const FullSettings& settings, Progress& progress)
        : disk_(disk), announced_(announced), settings_(settings), progress_(progress), readings_(announced) {
        std::uint64_t most = std::clamp<std::uint64_t>(settings.largestTransfer, 1, 0xFFFF);
        if (std::size_t limit = disk.TransportLimit() / kSectorBytes; limit > 0) most = std::min<std::uint64_t>(most, limit);
        transfer_ = static_cast<std::uint32_t>(most);
    }

    Findings Run();

private:
    bool Stopped() const { return settings_.stop != nullptr && settings_.stop->load(std::memory_order_relaxed); }
    void Fill(Chunk& chunk);
    void Check(const Chunk& chunk, bool read);
    // Carries one command, halving the transfer while the host refuses its size.
    Transfer Carry(Chunk& chunk, bool write);
    void WritePass();
    void ReadPass();
    std::uint32_t CountAt(std::uint64_t first) const {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(transfer_, announced_ - first));
    }

    DiskAccess& disk_;
    const std::uint64_t announced_;
    const FullSettings& settings_;
    Progress& progress_;
    Readings readings_;
    std::uint32_t transfer_ = 1;
    bool lost_ = false;
};

void FullRun::Fill(Chunk& chunk) {
    chunk.bytes.resize(std::size_t{chunk.count} * kSectorBytes);
    for (std::uint32_t i = 0; i < chunk.count; ++i)
        FillStamp(chunk.bytes.data() + std::size_t{i} * kSectorBytes, chunk.first + i, settings_.run);
}

void FullRun::Check(const Chunk& chunk, bool read) {
    if (!read) return readings_.SawNothing(chunk.first, chunk.count);
    for (std::uint32_t i = 0; i < chunk.count; ++i)
        readings_.Saw(chunk.first + i, StampedPosition(chunk.bytes.data() + std::size_t{i} * kSectorBytes, settings_.run));
}

Transfer FullRun::Carry(Chunk& chunk, bool write) {
    for (;;) {
        chunk.bytes.resize(std::size_t{chunk.count} * kSectorBytes);
        const auto lba = static_cast<std::uint32_t>(chunk.first);
        const auto count = static_cast<std::uint16_t>(chunk.count);
        const auto start = SteadyClock::now();
        const Transfer done = write ? disk_.Write(lba, count, chunk.bytes) : disk_.Read(lba, count, chunk.bytes);
        const std::uint64_t micros = MicrosFrom(start);
        if (done == Transfer::TooLarge && chunk.count > 1) {
            transfer_ = std::max<std::uint32_t>(1, chunk.count / 2);
            chunk.count = transfer_;
            if (write) Fill(chunk);
            continue;
        }
        (write ? progress_.writeMicros : progress_.readMicros).fetch_add(micros, std::memory_order_relaxed);
        (write ? progress_.bytesWritten : progress_.bytesRead).fetch_add(chunk.bytes.size(), std::memory_order_relaxed);
        progress_.done.fetch_add(chunk.count, std::memory_order_relaxed);
        if (done == Transfer::Lost || done == Transfer::TooLarge) lost_ = true;
        return done;
    }
}

// The next chunk's stamps are made while the drive takes the current one.
void FullRun::WritePass() {
    Chunk current{0, CountAt(0), {}};
    Fill(current);
    while (current.count > 0 && !Stopped() && !lost_) {
        Chunk next{current.first + current.count, 0, {}};
        std::future<void> made;
        if (next.first < announced_) {
            next.count = CountAt(next.first);
            made = std::async(std::launch::async, [this, &next] { Fill(next); });
        }
        Carry(current, true);
        if (made.valid()) made.get();
        // A halved transfer leaves the next chunk where the shortened current one ends.
        if (next.count > 0 && next.first != current.first + current.count) {
            next.first = current.first + current.count;
            next.count = CountAt(next.first);
            Fill(next);
        }
        current = std::move(next);
    }
}

// The last chunk's data is checked while the drive reads the next one.
void FullRun::ReadPass() {
    std::future<void> checked;
    Chunk previous;
    for (std::uint64_t first = 0; first < announced_ && !Stopped() && !lost_;) {
        Chunk chunk{first, CountAt(first), {}};
        const Transfer done = Carry(chunk, false);
        if (checked.valid()) checked.get();
        if (lost_) break;
        previous = std::move(chunk);
        const bool read = done == Transfer::Done;
        checked = std::async(std::launch::async, [this, &previous, read] { Check(previous, read); });
        first += previous.count;
    }
    if (checked.valid()) checked.get();
}

Findings FullRun::Run() {
    progress_.total.store(2 * announced_, std::memory_order_relaxed);
    WritePass();
    ReadPass();
    Findings findings;
    findings.announcedSectors = announced_;
    findings.wrapSector = readings_.AliasPeriod();
    const std::uint64_t limit = findings.wrapSector != 0 ? findings.wrapSector : announced_;
    findings.realSectors = readings_.HeldBelow(limit);
    findings.lost = readings_.LostBelow(findings.realSectors);
    findings.interrupted = Stopped();
    findings.driveLost = lost_;
    return findings;
}

}  // namespace

Findings RunFull(DiskAccess& disk, std::uint64_t announced, const FullSettings& settings, Progress& progress) {
    return FullRun(disk, announced, settings, progress).Run();
}

}  // namespace mendora::certify
