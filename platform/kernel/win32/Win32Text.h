#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::platform::win32 {

// "C:/a/b" -> "C:\a\b", for the Windows calls.
std::string NativePath(const std::string& path);
// "C:\a\b" -> "C:/a/b", for the system.
std::string SlashPath(const std::string& path);
std::wstring Widen(const std::string& utf8);
// A path of the system (UTF-8, '/') as the wide text the W functions take.
std::wstring WidePath(const std::string& path);
// A path a W function gave back, as the system spells it (UTF-8, '/').
std::string PathFromWide(const std::wstring& path);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);
// Text cut to at most limit bytes without splitting a UTF-8 sequence.
std::string CutToBytes(const std::string& text, std::size_t limit);
// The long spelling of an existing path (no 8.3 names), or the path as it is when it has none.
std::wstring LongSpelling(const std::wstring& path);
// The system's text of a GetLastError code, without the trailing line break.
std::string ErrorText(std::uint32_t code);
// An environment variable as UTF-8, whatever the ANSI code page; nothing when it is unset.
std::optional<std::string> EnvironmentText(const char* name);

}  // namespace mendora::platform::win32
