#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::platform {

// Finds a 4-byte value in the text of a REGEDIT4 export: `"Name"=dword:00000064` or
// `"Name"=hex:64,00,00,00` in the section `[HKEY_CURRENT_USER\<key>]`. Section and value names
// compare without regard to case; the first match wins; a value of another type or size, or
// one that does not parse, counts as missing.
std::optional<std::uint32_t> FindRegDword(const std::string& text, const std::string& key, const std::string& name);

}  // namespace mendora::platform
