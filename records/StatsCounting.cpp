#include "records/StatsCounting.h"

namespace mendora::records {

namespace {

// "0", "1-4", "5-9", "10-19", "20-49", "50-99", "100-199", "200+".
const std::vector<std::pair<std::string, std::uint64_t>>& Bands() {
    static const std::vector<std::pair<std::string, std::uint64_t>> bands = {
        {"0", 0}, {"1-4", 1}, {"5-9", 5}, {"10-19", 10}, {"20-49", 20}, {"50-99", 50}, {"100-199", 100}, {"200+", 200}};
    return bands;
}

}  // namespace

void CountVerdict(const std::string& verdict, const std::string& reason, std::uint64_t runs, RecordStats* stats) {
    stats->records += runs;
    if (IsRepaired(verdict)) stats->repaired += runs;
    if (verdict == "repaired, retire") stats->retire += runs;
    else if (verdict == "reverted") stats->reverted += runs;
    else if (verdict == "refused") stats->refused[reason] += runs;
    else if (!IsRepaired(verdict)) stats->failed[verdict + (reason.empty() ? "" : ": " + reason)] += runs;
}

void DistributeBadBlocks(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& counts, RecordStats* stats) {
    for (const auto& band : Bands()) stats->badBlockBands.push_back({band.first, 0});
    std::uint64_t total = 0;
    for (const auto& [count, runs] : counts) {
        std::size_t band = 0;
        while (band + 1 < Bands().size() && count >= Bands()[band + 1].second) ++band;
        stats->badBlockBands[band].second += runs;
        total += runs;
    }
    std::uint64_t seen = 0;
    bool median = false, p90 = false;
    for (const auto& [count, runs] : counts) {
        seen += runs;
        if (!median && seen * 2 >= total) stats->badBlocksMedian = count, median = true;
        if (!p90 && seen * 10 >= total * 9) stats->badBlocksP90 = count, p90 = true;
        stats->badBlocksMax = count;
    }
}

}  // namespace mendora::records
