#include <filesystem>

#include "tools/bootpack/Commands.h"

namespace mendora::bootpack {

// The archive a user names: trailing white space dropped, ".r" appended unless it ends in
// ".r" or ".R" (one name on Windows), with '/' separators so that scratch files land beside
// it on every host.
std::string ArchiveFile(const std::string& given) {
    std::string path = std::filesystem::path(given).generic_string();
    while (!path.empty() && (path.back() == ' ' || path.back() == '\t' || path.back() == '\r' || path.back() == '\n'))
        path.pop_back();
    const bool suffixed = path.size() >= 2 && path[path.size() - 2] == '.' && (path.back() == 'r' || path.back() == 'R');
    return suffixed ? path : path + ".r";
}

}  // namespace mendora::bootpack
