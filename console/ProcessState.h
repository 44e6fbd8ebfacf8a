#pragma once
#include <cstdint>
#include <string>

namespace mendora {

// Process-wide values written at start-up and read by the dialog later.

// The OS build number recorded by the start-up gate.
std::uint32_t OsBuildNumber();
void RecordOsBuildNumber(std::uint32_t build);

// The caption of the application's message boxes: the executable's base name until
// the dialog renames the application.
std::string ApplicationName();
void SetApplicationName(const std::string& name);

}  // namespace mendora
