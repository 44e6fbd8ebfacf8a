#pragma once
#include <string>

namespace mendora::records {

// Whether `text` names a records server rather than a database file: a PostgreSQL
// connection address ("postgresql://..." or "postgres://...").
bool IsServerAddress(const std::string& text);

// The address as it may be shown: the password of its user part and any password=... of
// its query left out, everything else as given.
std::string ShownServerAddress(const std::string& address);

}  // namespace mendora::records
