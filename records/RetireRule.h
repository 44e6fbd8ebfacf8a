#pragma once
#include <optional>
#include <string>
#include <vector>

#include "records/DriveRecord.h"

namespace mendora::records {

// When a repaired stick should rather be retired: its grown bad blocks rose since its last
// repair, or make up more than a share of its blocks.
struct RetireRule {
    double grownSharePercent = 2.0;  // 0: the share alone never retires a stick
};

// Why `current` (a repaired drive's record) should be retired, given the stick's earlier
// records oldest first; nothing when it need not be.
std::optional<std::string> RetireReason(const DriveRecord& current, const std::vector<DriveRecord>& earlier,
                                        const RetireRule& rule);

}  // namespace mendora::records
