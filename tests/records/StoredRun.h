#pragma once
// A whole drive record for the store tests: every field filled.
#include <string>
#include <utility>
#include <vector>

#include "records/DriveRecord.h"

namespace mendora::testing {

inline records::DriveRecord StoredRun(const std::string& id, const std::string& stick, const std::string& at,
                                      std::vector<records::BadBlock> blocks = {}, const std::string& verdict = "repaired") {
    records::DriveRecord r;
    r.runId = id, r.stick = r.serial = stick, r.port = "1-4", r.drive = "E:", r.description = "QF90 128MB";
    r.chipId = 144, r.flashId = "2c,da,90,95,06", r.capacityBytes = 134217728, r.totalBlocks = 1024;
    r.firmwareBefore = "Q90110", r.firmwareAfter = "Q90120", r.geometry = R"({"chips":1})";
    r.badBlocks = std::move(blocks), r.phaseSeconds = {{"erase", 1.25}, {"verify", 3.5}};
    r.bytesWritten = 5'000'000'000ULL, r.bytesRead = 6, r.verdict = verdict, r.statusCode = 0, r.libraryError = 0;
    r.host = "bench1", r.programVersion = "0.1", r.recordedAt = at;
    return r;
}

}  // namespace mendora::testing
