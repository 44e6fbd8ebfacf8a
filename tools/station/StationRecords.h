#pragma once
#include <string>

#include "records/RecordSettings.h"

namespace mendora::station {

// The records settings: the settings file at `configPath` (empty: the host's station.conf),
// then MENDORA_RECORDS, then `given` (--records). A value the file gets wrong is said on
// stderr and its default kept; so is a server this build cannot send to.
records::RecordSettings StationRecordSettings(const std::string& configPath, const std::string& given = "");

// `mendora-station history SERIAL|DRIVE`: every run of the stick, oldest first. Answers the
// exit status: 0 with runs shown, 1 when the stick has none or the records cannot be read.
int RunHistory(const records::RecordSettings& settings, const std::string& stick, bool json);
// `mendora-station stats`: the numbers over the records since a date ("YYYY-MM-DD"; empty:
// all). Answers the exit status: 0, 1 when the records cannot be read, 2 for a bad date.
int RunStats(const records::RecordSettings& settings, const std::string& since, bool json);
// `mendora-station sync`: sends the records still waiting for the lab's server. Answers the
// exit status: 0 when none waits any more and the server answered, 1 otherwise, 2 when no
// server is set or records are off.
int RunSync(const records::RecordSettings& settings);

}  // namespace mendora::station
