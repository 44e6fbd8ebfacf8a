#pragma once
#include <string>

namespace mendora::tools {

// Writes `text` as the whole of the output file at `path`, which is never reached through
// a symbolic link nor, in a directory others can write to, put in place of another user's
// file. False with the reason when it cannot be made or written whole.
bool WriteReportFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace mendora::tools
