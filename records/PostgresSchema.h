#pragma once
#include <string>
#include <vector>

namespace mendora::records {

// The schema of a lab's server, in the database's own schema "mendora": the steps that
// bring it from version 0 (nothing) to each version in turn, step i taking version i to
// i + 1. The version is the one row of mendora.schema_version; steps are only ever added.
const std::vector<std::string>& ServerSchemaSteps();

inline int LatestServerSchemaVersion() { return static_cast<int>(ServerSchemaSteps().size()); }

}  // namespace mendora::records
