#pragma once
#include <string>

#include "platform/kernel/HostFacts.h"
#include "platform/kernel/Profile.h"
#include "records/RetireRule.h"

namespace mendora::records {

// The records part of the station's settings file (station.conf):
//   [records]
//   enabled = yes            ; no: nothing is recorded and no stick is judged for retirement
//   database = PATH          ; default: records.db in the host's data folder
//   dialog = no              ; yes: the repair dialog records its drives too
//   retire_grown_percent = 2 ; grown bad blocks over this share of a drive's blocks retire it; 0: never
struct RecordSettings {
    bool enabled = true;
    bool dialog = false;
    std::string database;  // empty: the host has no data folder, so nothing is recorded
    RetireRule retire;
};

// The settings file's path on this host: station.conf in its settings folder.
std::string StationSettingsPath(platform::HostFacts& host);

// Reads `path` (a missing file gives the defaults). A value that is not understood is named
// in *problem and its default kept.
RecordSettings ReadRecordSettings(platform::ProfileReader& profiles, platform::HostFacts& host,
                                  const std::string& path, std::string* problem);

// The variable that names the records database instead of the settings (a path), or turns
// records off ("off").
constexpr const char* kRecordsVariable = "MENDORA_RECORDS";

// The settings a program works with: the file at `configPath` (empty: the host's
// station.conf), then MENDORA_RECORDS.
RecordSettings ProgramRecordSettings(platform::ProfileReader& profiles, platform::HostFacts& host,
                                     const std::string& configPath, std::string* problem);

}  // namespace mendora::records
