#include "tools/common/CertifyReport.h"

#include "certify/Readings.h"
#include "certify/Verdict.h"

namespace mendora::tools {

namespace {

// Enough runs to place the loss; a drive losing more is told by its count.
constexpr std::size_t kMostListed = 1000;

nlohmann::json LostRuns(const std::vector<certify::SectorRun>& lost) {
    nlohmann::json runs = nlohmann::json::array();
    for (std::size_t i = 0; i < lost.size() && i < kMostListed; ++i)
        runs.push_back({{"first", lost[i].first}, {"count", lost[i].count}});
    return runs;
}

}  // namespace

nlohmann::json CertifyReportJson(const certify::CertifyResult& r, certify::Mode mode) {
    const certify::Findings& f = r.findings;
    nlohmann::json report = {{"mode", certify::ModeName(mode)},
                             {"verdict", r.verdict},
                             {"announced_sectors", f.announcedSectors},
                             {"real_sectors", f.realSectors},
                             {"real_size", certify::MiB(f.realSectors)},
                             {"write_mbps", r.writeMBps},
                             {"read_mbps", r.readMBps},
                             {"lost_sector_count", certify::CountOf(f.lost)},
                             {"lost_sectors", LostRuns(f.lost)},
                             {"restored", r.restored}};
    if (f.wrapSector != 0) report["wrap_sector"] = f.wrapSector;
    return report;
}

}  // namespace mendora::tools
