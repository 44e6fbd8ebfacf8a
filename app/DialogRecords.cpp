#include "app/DialogRecords.h"

#include <cstdio>

#include "platform/kernel/Console.h"
#include "records/KeepRecord.h"

namespace mendora {

DialogRecords::DialogRecords(records::RecordSettings settings, std::unique_ptr<platform::HostFacts> host,
                             platform::Clock& clock, Warn warn)
    : settings_(std::move(settings)), host_(std::move(host)), clock_(clock), warn_(std::move(warn)) {}

void DialogRecords::Keep(const nlohmann::json& report) {
    records::KeepReportRecord(report, settings_, *host_, clock_.CalendarTime(), warn_);
}

std::unique_ptr<DialogRecords> DialogRecordsFromSettings(platform::Kernel& kernel) {
    auto host = platform::NativeHostFacts();
    const DialogRecords::Warn warn = [&debug = kernel.debug](const std::string& text) {
        debug.Write("records: " + text);
        platform::PrintText(stderr, "mendora: records: %s\n", text.c_str());
    };
    std::string problem;
    const auto settings = records::ProgramRecordSettings(kernel.profiles, *host, "", &problem);
    if (!settings.enabled || !settings.dialog) return nullptr;
    if (!problem.empty()) warn(problem);
    return std::make_unique<DialogRecords>(settings, std::move(host), kernel.clock, warn);
}

}  // namespace mendora
