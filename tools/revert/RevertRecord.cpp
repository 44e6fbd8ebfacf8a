#include "tools/revert/RevertRecord.h"

#include <cstdio>

#include "platform/kernel/Console.h"
#include "platform/kernel/HostFacts.h"
#include "records/RecordSettings.h"
#include "records/LabRecordStore.h"
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
    std::string error;
    auto store = records::OpenRecords(settings, &error);
    if (!store) return WarnRecord(error + "; this revert is not recorded");
    const records::RecordFacts facts{host->NewUuid(), host->HostName(), MENDORA_VERSION,
                                     records::UtcTimeText(clock.CalendarTime())};
    if (facts.runId.empty()) return WarnRecord("no random source for a run id; not recorded");
    if (!store->Append(records::RecordFromReport(report, facts), &error)) return WarnRecord("not recorded: " + error);
    // The lab's server gets this record and any kept from before; one that cannot be sent
    // waits here for the next program that keeps records.
    const auto sending = store->SendPending();
    if (sending.pending > 0)
        WarnRecord(sending.problem + "; " + std::to_string(sending.pending) + " record(s) kept here, sent later");
}

}  // namespace mendora::revert_tool
