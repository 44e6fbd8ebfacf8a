#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "certify/Readings.h"

namespace mendora::certify {

enum class VerdictKind { Certified, FakeCapacity, WrapsAround, DataLost, NotReady, Interrupted, DriveLost };

// What a certify found out about a drive.
struct Findings {
    std::uint64_t announcedSectors = 0;
    std::uint64_t realSectors = 0;   // the sectors that hold data, from the start
    std::uint64_t wrapSector = 0;    // sector N+k reads what was written at k; 0 when it does not wrap
    std::vector<SectorRun> lost;     // below the real size, the sectors that read back wrong
    bool ready = true;               // answered as a disk at all
    bool interrupted = false;        // stopped before it could tell
    bool driveLost = false;          // the drive stopped answering
};

VerdictKind KindOf(const Findings& findings);

// "certified", "fake capacity", "wraps around at sector N (S MiB)", "data lost: N sectors",
// "not ready as a disk"; "interrupted" and "drive lost" for a certify that could not end.
std::string VerdictText(const Findings& findings);

// A size in MiB with one decimal, as the reports and the table give sizes: "1019.5 MiB".
std::string MiB(std::uint64_t sectors);

}  // namespace mendora::certify
