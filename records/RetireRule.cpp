#include "records/RetireRule.h"

#include <cstdio>

namespace mendora::records {

namespace {

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", value);
    return text;
}

}  // namespace

std::optional<std::string> RetireReason(const DriveRecord& current, const std::vector<DriveRecord>& earlier,
                                        const RetireRule& rule) {
    if (!IsRepaired(current.verdict)) return std::nullopt;
    const DriveRecord& first = earlier.empty() ? current : earlier.front();
    const int grown = GrownBadBlocks(current, first);
    for (auto it = earlier.rbegin(); it != earlier.rend(); ++it) {
        if (!IsRepaired(it->verdict)) continue;
        const int before = GrownBadBlocks(*it, first);
        if (grown > before)
            return "grown bad blocks rose from " + std::to_string(before) + " to " + std::to_string(grown) +
                   " since the repair of " + it->recordedAt;
        break;
    }
    if (rule.grownSharePercent > 0 && current.totalBlocks > 0) {
        const double share = 100.0 * grown / double(current.totalBlocks);
        if (share > rule.grownSharePercent)
            return std::to_string(grown) + " grown bad blocks, " + Percent(share) + " of the drive's blocks (over " +
                   Percent(rule.grownSharePercent) + ")";
    }
    return std::nullopt;
}

}  // namespace mendora::records
