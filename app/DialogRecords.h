#pragma once
#include <functional>
#include <memory>
#include <string>

#include "console/RunRecorder.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/HostFacts.h"
#include "platform/kernel/Kernel.h"
#include "records/RecordSettings.h"

namespace mendora {

// The dialog's records: each run's report kept in the records the settings name, as the
// station and mendora-revert keep theirs. A problem is one warning and changes nothing else.
class DialogRecords : public RunRecorder {
public:
    using Warn = std::function<void(const std::string&)>;
    DialogRecords(records::RecordSettings settings, std::unique_ptr<platform::HostFacts> host,
                  platform::Clock& clock, Warn warn);
    void Keep(const nlohmann::json& report) override;

private:
    records::RecordSettings settings_;
    std::unique_ptr<platform::HostFacts> host_;
    platform::Clock& clock_;
    Warn warn_;
};

// The dialog's records when the settings keep records and ask the dialog to keep them too;
// null otherwise, and the dialog then runs as it always has. Warnings go to the debug output
// and stderr.
std::unique_ptr<DialogRecords> DialogRecordsFromSettings(platform::Kernel& kernel);

}  // namespace mendora
