#pragma once
#include <string>

#include "platform/kernel/FileSystem.h"

namespace mendora {

inline constexpr const char* kWorkDirectoryName = "UfdApp";
inline constexpr const char* kRelocatedName = "Mendrix.exe";
inline constexpr const char* kMainWindowTitle = "Mendrix";
// The title the main dialog takes once it has initialised.
inline constexpr const char* kRenamedWindowTitle = "Mendora";

// The paths start-up works with, derived from the temporary directory (ending with '/')
// and the running executable's full path.
struct StartupPaths {
    StartupPaths(const std::string& tempDirectory, const std::string& executablePath);

    std::string executable;
    std::string ownDirectory;        // the executable's directory, no trailing '/'
    std::string workDirectory;       // <temp>UfdApp, no trailing '/'
    std::string relocatedExecutable; // <work>/Mendrix.exe

    // True when this process runs from the work directory, its spelling compared the way
    // the host's file system compares names (letter case counts where it tells it apart).
    bool IsRelocatedCopy(platform::FileSystem& files) const;
};

// The base name of a path without its extension ("/a/Mendrix.exe" gives "Mendrix").
std::string BaseNameWithoutExtension(const std::string& path);

}  // namespace mendora
