#include "app/StartupPaths.h"

#include <algorithm>

namespace mendora {

StartupPaths::StartupPaths(const std::string& tempDirectory, const std::string& executablePath)
    : executable(executablePath),
      ownDirectory(executablePath.substr(0, std::min(executablePath.rfind('/'), executablePath.size()))),
      workDirectory(tempDirectory + kWorkDirectoryName),
      relocatedExecutable(workDirectory + "/" + kRelocatedName) {}

bool StartupPaths::IsRelocatedCopy(platform::FileSystem& files) const {
    return files.SameSpelling(ownDirectory, workDirectory);
}

std::string BaseNameWithoutExtension(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

}  // namespace mendora
