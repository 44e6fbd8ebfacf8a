// A build without records (no SQLite): the revert keeps none.
#include "tools/revert/RevertRecord.h"

namespace mendora::revert_tool {

void KeepRevertRecord(const nlohmann::json&, platform::ProfileReader&, platform::Clock&) {}

}  // namespace mendora::revert_tool
