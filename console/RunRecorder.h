#pragma once
#include <nlohmann/json.hpp>

namespace mendora {

// Keeps a record of each repair the dialog runs. Handed the run's report once the run has
// ended, however it ended: repaired, failed, or closed mid-run. Called on the dialog thread;
// a record that cannot be kept must not change the run or its outcome.
class RunRecorder {
public:
    virtual ~RunRecorder() = default;
    virtual void Keep(const nlohmann::json& report) = 0;
};

}  // namespace mendora
