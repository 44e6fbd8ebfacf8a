#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/kernel/HostFacts.h"
#include "records/RecordSettings.h"

namespace mendora::records {

// Keeps the record of one drive's report (as RecordFromReport reads it) in the records the
// settings name, made now (`calendarSeconds`) on this host, then sends the lab's server
// what waits for it. Every problem is one line passed to `warn`; none changes anything else.
// Settings that turn records off keep nothing.
void KeepReportRecord(const nlohmann::json& report, const RecordSettings& settings, platform::HostFacts& host,
                      std::int64_t calendarSeconds, const std::function<void(const std::string&)>& warn);

}  // namespace mendora::records
