#include "archive/EntryName.h"

#include <algorithm>

#include "archive/ArchiveFormat.h"

namespace mendora {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasParentComponent(const std::string& name) {
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (name.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool IsStorableEntryName(const std::string& name) {
    if (name.empty()) return false;
    std::string framed = name + std::string(kEntrySeparator);
    return framed.find(kEntrySeparator) == name.size();
}

bool IsSafeEntryName(const std::string& name) {
    return !name.empty() && !IsSeparator(name.front()) &&
           name.find(':') == std::string::npos && name.find('\0') == std::string::npos &&
           !HasParentComponent(name);
}

std::string EntryNameToPath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace mendora
