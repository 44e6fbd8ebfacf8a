#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "records/RecordStore.h"

namespace mendora::records {

// A stick's runs, oldest first, one line each under a header: when, where, firmware, bad
// blocks, grown bad blocks (and how many more than the run before), verdict.
std::vector<std::string> HistoryLines(const std::vector<DriveRecord>& runs);
// The same as JSON: every record whole, with its grown bad blocks.
nlohmann::json HistoryJson(const std::vector<DriveRecord>& runs);

std::vector<std::string> StatsLines(const RecordStats& stats);
nlohmann::json StatsJson(const RecordStats& stats);

// A record as JSON, every field the store keeps.
nlohmann::json RecordJson(const DriveRecord& record);

}  // namespace mendora::records
