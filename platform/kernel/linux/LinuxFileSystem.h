#pragma once
#include "platform/kernel/FileSystem.h"

namespace mendora::platform {

class LinuxFileSystem : public FileSystem {
public:
    PathInfo Lookup(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool SetArchiveOnly(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to, FileError* error) override;
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> CreateScratch(const std::string& directory, const std::string& prefix,
                                        std::string* path) override;
    bool IsWritable(const std::string& path) override;
    std::optional<std::uint64_t> SizeOf(const std::string& path) override;
    bool CreatePrivateDirectory(const std::string& path, std::string* why) override;
    std::string CheckPrivateDirectory(const std::string& path) override;
    std::optional<std::vector<DirectoryEntry>> List(const std::string& path) override;
    bool SameSpelling(const std::string& a, const std::string& b) override;
};

}  // namespace mendora::platform
