#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace mendora::testing {

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The regular files under `dir`, counted; their sizes gathered into `sizes` when given.
inline int CountFiles(const std::string& dir, std::set<std::uintmax_t>* sizes = nullptr) {
    int n = 0;
    for (auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        ++n;
        if (sizes) sizes->insert(entry.file_size());
    }
    return n;
}

}  // namespace mendora::testing
