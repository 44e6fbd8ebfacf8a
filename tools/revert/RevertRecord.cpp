#include "tools/revert/RevertRecord.h"

#include <cstdio>

#include "platform/kernel/Console.h"
#include "platform/kernel/HostFacts.h"
#include "records/KeepRecord.h"
#include "records/RecordSettings.h"

namespace mendora::revert_tool {

namespace {

void WarnRecord(const std::string& text) { platform::PrintText(stderr, "mendora-revert: records: %s\n", text.c_str()); }

}  // namespace

void KeepRevertRecord(const nlohmann::json& report, platform::ProfileReader& profiles, platform::Clock& clock) {
    auto host = platform::NativeHostFacts();
    std::string problem;
    const auto settings = records::ProgramRecordSettings(profiles, *host, "", &problem);
    if (!problem.empty()) WarnRecord(problem);
    records::KeepReportRecord(report, settings, *host, clock.CalendarTime(), WarnRecord);
}

}  // namespace mendora::revert_tool
