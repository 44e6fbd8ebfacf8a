#pragma once
// Setting the process environment in tests, on every host.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace mendora::testing {

inline void SetEnv(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

// Windows keeps no empty variables: an unset one reads as missing there, as it should.
inline void UnsetEnv(const char* name) {
#if defined(_WIN32)
    _putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
}

// The exit code of a program run by std::system (or pclose).
inline int ExitCodeOf(int status) {
#if defined(_WIN32)
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The disk space a file takes (holes take none), where the host tells; image files are
// sparse only on Linux.
inline std::optional<std::uint64_t> AllocatedBytes(const std::string& path) {
#if defined(_WIN32)
    (void)path;
    return std::nullopt;
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return std::uint64_t(info.st_blocks) * 512;
#endif
}

// The separator of the virtual-drive list.
#if defined(_WIN32)
inline constexpr const char* kListSeparator = ";";
#else
inline constexpr const char* kListSeparator = ":";
#endif

}  // namespace mendora::testing
