#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "records/RecordStore.h"

namespace mendora::records {

// Adds `runs` drive runs of one verdict and reason to the numbers: every store counts its
// runs by day, verdict, reason and bad-block count and answers through these.
void CountVerdict(const std::string& verdict, const std::string& reason, std::uint64_t runs, RecordStats* stats);

// The bands, median, 90th percentile and largest of bad-block counts given as (count, runs)
// in count order.
void DistributeBadBlocks(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& counts, RecordStats* stats);

}  // namespace mendora::records
