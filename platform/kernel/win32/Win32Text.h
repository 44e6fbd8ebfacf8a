#pragma once
#include <cstdint>
#include <string>

namespace mendora::platform::win32 {

// "C:/a/b" -> "C:\a\b", for the Windows calls.
std::string NativePath(const std::string& path);
// "C:\a\b" -> "C:/a/b", for the system.
std::string SlashPath(const std::string& path);
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);
// The system's text of a GetLastError code, without the trailing line break.
std::string ErrorText(std::uint32_t code);

}  // namespace mendora::platform::win32
