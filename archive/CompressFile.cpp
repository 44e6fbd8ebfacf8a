#include "archive/CompressFile.h"

#include <climits>
#include <vector>

#include "archive/GzFile.h"

namespace mendora {

int CompressFile(platform::FileSystem& files, const std::string& sourcePath,
                 const std::string& gzipPath) {
    auto source = files.Open(sourcePath, platform::OpenMode::ReadShared);
    if (!source) return 0;
    std::uint64_t length = source->Length();
    if (length > INT_MAX) return 0;
    std::vector<std::uint8_t> content(static_cast<std::size_t>(length));
    for (std::size_t at = 0; at < content.size();) {
        long n = source->Read(content.data() + at, content.size() - at);
        if (n <= 0) return 0;
        at += static_cast<std::size_t>(n);
    }

    GzFile gz(files);
    if (!gz.Open(gzipPath, GzFile::kWriting)) return 0;
    bool written = gz.Write(content.data(), static_cast<unsigned>(content.size()));
    return gz.Close() && written ? 1 : 0;
}

}  // namespace mendora
