#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "records/DriveRecord.h"

namespace mendora::records {

// The numbers a lab asks for over the records since a date.
struct RecordStats {
    std::uint64_t records = 0;      // drive runs
    std::uint64_t repaired = 0;     // "repaired" and "repaired, retire"
    std::uint64_t retire = 0;       // "repaired, retire"
    std::uint64_t reverted = 0;     // reverted alone (mendora-revert), not repaired
    std::map<std::string, std::uint64_t> refused;  // by reason
    std::map<std::string, std::uint64_t> failed;   // failed and interrupted, by verdict and reason
    // Bad blocks per drive run: how many runs fall into each band ("0", "1-4", ...), in
    // band order, and the median, 90th percentile and largest count.
    std::vector<std::pair<std::string, std::uint64_t>> badBlockBands;
    std::uint64_t badBlocksMedian = 0;
    std::uint64_t badBlocksP90 = 0;
    std::uint64_t badBlocksMax = 0;
};

// Where records are kept. Each call answers false (or an empty result) with the reason in
// *error when the store cannot do it; nothing half written is ever left behind.
class RecordStore {
public:
    virtual ~RecordStore() = default;
    // Adds one drive's record, all of it or nothing.
    virtual bool Append(const DriveRecord& record, std::string* error) = 0;
    // Every record of a stick (its serial, else its port), oldest first.
    virtual bool History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) = 0;
    // The numbers over the records made on or after `since` ("YYYY-MM-DD"; empty: all).
    virtual bool Stats(const std::string& since, RecordStats* stats, std::string* error) = 0;
};

}  // namespace mendora::records
