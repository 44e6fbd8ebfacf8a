#include "archive/EntryDirs.h"

namespace mendora {

int MakeEntryDirs(platform::Kernel& kernel, const std::string& filePath) {
    std::size_t last = filePath.rfind('/');
    if (last == std::string::npos) return 1;
    std::string directory = filePath.substr(0, last);
    if (directory.empty()) return 1;  // a file right in the root
    // A leading '/' is the root, which is never created; every other ancestor is.
    for (std::size_t at = 1; at < directory.size(); ++at) {
        if (directory[at] == '/') EnsureDir(kernel, directory.substr(0, at));
    }
    EnsureDir(kernel, directory);
    return 1;
}

int EnsureDir(platform::Kernel& kernel, const std::string& directory) {
    if (kernel.files.Lookup(directory).exists) return 1;
    if (!kernel.files.CreateDirectory(directory)) kernel.messages.FatalExit("Couldn't create dir");
    return 1;
}

}  // namespace mendora
