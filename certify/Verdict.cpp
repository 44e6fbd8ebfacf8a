#include "certify/Verdict.h"

#include <cstdio>

namespace mendora::certify {

VerdictKind KindOf(const Findings& f) {
    if (!f.ready) return VerdictKind::NotReady;
    if (f.driveLost) return VerdictKind::DriveLost;
    if (f.interrupted) return VerdictKind::Interrupted;
    if (f.wrapSector != 0) return VerdictKind::WrapsAround;
    if (f.realSectors < f.announcedSectors) return VerdictKind::FakeCapacity;
    if (!f.lost.empty()) return VerdictKind::DataLost;
    return VerdictKind::Certified;
}

std::string MiB(std::uint64_t sectors) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(sectors) / 2048.0);
    return text;
}

std::string VerdictText(const Findings& f) {
    switch (KindOf(f)) {
        case VerdictKind::Certified: return "certified";
        case VerdictKind::FakeCapacity: return "fake capacity";
        case VerdictKind::WrapsAround:
            return "wraps around at sector " + std::to_string(f.wrapSector) + " (" + MiB(f.wrapSector) + ")";
        case VerdictKind::DataLost: return "data lost: " + std::to_string(CountOf(f.lost)) + " sectors";
        case VerdictKind::NotReady: return "not ready as a disk";
        case VerdictKind::Interrupted: return "interrupted";
        case VerdictKind::DriveLost: return "drive lost";
    }
    return "?";
}

}  // namespace mendora::certify
