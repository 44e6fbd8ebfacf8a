#pragma once
#include <string>

namespace mendora {

// Whether an archive may carry this name: a reader stops the name at the first
// separator, so the separator must appear nowhere but right after it.
bool IsStorableEntryName(const std::string& name);

// Whether a name stays inside the output directory: not absolute, no drive colon, no
// ".." component, no NUL byte.
bool IsSafeEntryName(const std::string& name);

// The entry name as a host path: '\' separators become '/'.
std::string EntryNameToPath(const std::string& name);

}  // namespace mendora
