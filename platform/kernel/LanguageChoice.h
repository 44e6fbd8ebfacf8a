#pragma once
#include <cstdint>
#include <string>

namespace mendora::platform {

// The string-table language for a locale name ("zh_TW.UTF-8" and the like):
// zh_TW and zh_HK give Traditional Chinese, zh_CN and zh_SG Simplified, anything else English.
std::uint16_t LanguageForLocale(const std::string& locale);

// The user's language: the first non-empty of LC_ALL, LC_MESSAGES and LANG; on Windows,
// where these are rarely set, the user's interface language otherwise.
std::uint16_t UserLanguage();

}  // namespace mendora::platform
