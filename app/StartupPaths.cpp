#include "app/StartupPaths.h"

#include <algorithm>

namespace mendora {
namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace

StartupPaths::StartupPaths(const std::string& tempDirectory, const std::string& executablePath)
    : executable(executablePath),
      ownDirectory(executablePath.substr(0, std::min(executablePath.rfind('/'), executablePath.size()))),
      workDirectory(tempDirectory + kWorkDirectoryName),
      relocatedExecutable(workDirectory + "/" + kRelocatedName) {}

bool StartupPaths::IsRelocatedCopy() const { return EqualIgnoringCase(ownDirectory, workDirectory); }

std::string BaseNameWithoutExtension(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

}  // namespace mendora
