#include "records/KeepRecord.h"

#include "records/LabRecordStore.h"
#include "version/Version.h"

namespace mendora::records {

void KeepReportRecord(const nlohmann::json& report, const RecordSettings& settings, platform::HostFacts& host,
                      std::int64_t calendarSeconds, const std::function<void(const std::string&)>& warn) {
    if (!settings.enabled) return;
    std::string error;
    auto store = OpenRecords(settings, &error);
    if (!store) return warn(error + "; this run is not recorded");
    const RecordFacts facts{host.NewUuid(), host.HostName(), MENDORA_VERSION, UtcTimeText(calendarSeconds)};
    if (facts.runId.empty()) return warn("no random source for a run id; not recorded");
    if (!store->Append(RecordFromReport(report, facts), &error)) return warn("not recorded: " + error);
    // The lab's server gets this record and any kept from before; one that cannot be sent
    // waits here for the next program that keeps records.
    const auto sending = store->SendPending();
    if (sending.pending > 0)
        warn(sending.problem + "; " + std::to_string(sending.pending) + " record(s) kept here, sent later");
}

}  // namespace mendora::records
