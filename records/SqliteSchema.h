#pragma once
#include <string>
#include <vector>

namespace mendora::records {

// Marks a records database as Mendora's (PRAGMA application_id): "MNDR".
constexpr int kRecordsApplicationId = 0x4D4E4452;

// The schema, as the steps that bring an empty database (version 0) to each version in
// turn: step i takes version i to version i + 1. A database's version is its
// PRAGMA user_version; steps are only ever added, never changed.
const std::vector<std::string>& SchemaSteps();

inline int LatestSchemaVersion() { return static_cast<int>(SchemaSteps().size()); }

}  // namespace mendora::records
