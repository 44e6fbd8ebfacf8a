#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace mendora::records {

struct BadBlock {
    int chip = 0;
    int block = 0;
    std::string why;  // "factory mark", "failed pattern", "failed erase", "mark did not stick"
    bool operator<(const BadBlock& o) const { return chip != o.chip ? chip < o.chip : block < o.block; }
};

// One drive's repair as it is kept: who did it, what the drive was, what was found and how
// it ended.
struct DriveRecord {
    std::string runId;          // a UUID, unique to this drive's record
    std::string stick;          // what identifies the stick across runs: its serial, else its port
    std::string serial;
    std::string port;
    std::string drive;          // the name the tool gave it
    std::string description;
    int chipId = 0;
    int chipVersion = 0;
    std::string flashId;        // "2c,da,90,95,06"
    std::uint64_t capacityBytes = 0;
    std::uint64_t totalBlocks = 0;
    std::string firmwareBefore;  // empty: no firmware
    std::string firmwareAfter;
    std::string geometry;       // the report's geometry object as JSON text
    std::vector<BadBlock> badBlocks;
    std::map<std::string, double> phaseSeconds;
    std::uint64_t bytesWritten = 0;
    std::uint64_t bytesRead = 0;
    std::string verdict;        // repaired, repaired, retire, refused, failed, interrupted
    std::string reason;         // why a drive was not repaired, or why it should be retired
    int statusCode = -1;        // the revert's status; -1 when it did not run
    long long libraryError = -1;  // the library's error code; -1 when it did not run
    std::string host;
    std::string programVersion;
    std::string recordedAt;     // UTC, "2026-12-09T07:04:05Z"
};

// What the tool adds to a worker's report: who ran it, where and when.
struct RecordFacts {
    std::string runId;
    std::string host;
    std::string programVersion;
    std::string recordedAt;
};

// The record of a report as the station's --json file and mendora-revert's report hold it.
DriveRecord RecordFromReport(const nlohmann::json& report, const RecordFacts& facts);

// "2026-12-09T07:04:05Z" of seconds since 1970-01-01 UTC.
std::string UtcTimeText(std::int64_t calendarSeconds);

// Whether a verdict is one of a repaired drive ("repaired", "repaired, retire").
bool IsRepaired(const std::string& verdict);

// The bad blocks of `record` that were not factory marks the first time the stick was seen
// (`first`, the stick's oldest record; the record itself when it is the first).
int GrownBadBlocks(const DriveRecord& record, const DriveRecord& first);

}  // namespace mendora::records
