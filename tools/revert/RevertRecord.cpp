#include "tools/revert/RevertRecord.h"

#include <cstdio>

#include "platform/kernel/Console.h"
#include "platform/kernel/HostFacts.h"
#include "records/RecordSettings.h"
#include "records/SqliteRecordStore.h"
#include "version/Version.h"

namespace mendora::revert_tool {

namespace {

void WarnRecord(const std::string& text) { platform::PrintText(stderr, "mendora-revert: records: %s\n", text.c_str()); }

}  // namespace

void KeepRevertRecord(const nlohmann::json& report, platform::ProfileReader& profiles, platform::Clock& clock) {
    auto host = platform::NativeHostFacts();
    std::string problem;
    const auto settings = records::ProgramRecordSettings(profiles, *host, "", &problem);
    if (!problem.empty()) WarnRecord(problem);
    if (!settings.enabled) return;
    if (settings.database.empty()) return WarnRecord("no place for the records database (no home folder)");
    std::string error;
    auto store = records::SqliteRecordStore::Open(settings.database, &error);
    if (!store) return WarnRecord(error + "; this revert is not recorded");
    const records::RecordFacts facts{host->NewUuid(), host->HostName(), MENDORA_VERSION,
                                     records::UtcTimeText(clock.CalendarTime())};
    if (facts.runId.empty()) return WarnRecord("no random source for a run id; not recorded");
    if (!store->Append(records::RecordFromReport(report, facts), &error)) WarnRecord("not recorded: " + error);
}

}  // namespace mendora::revert_tool
