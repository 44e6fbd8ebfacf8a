#pragma once
#include <string>

#include "platform/kernel/FileSystem.h"

namespace mendora::tools {

// The host's files with every file opened for creation made as an output file (see
// platform/kernel/OutputFiles.h), and the first such file that could not be made or
// written whole remembered, so that a program can report it after a run.
class GuardedFiles : public platform::FileSystem {
public:
    explicit GuardedFiles(platform::FileSystem& host) : host_(host) {}
    // Empty while every created file was made and written whole; else what went wrong first.
    const std::string& Failure() const { return failure_; }
    void NoteFailure(const std::string& what) {
        if (failure_.empty()) failure_ = what;
    }

    std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;

    platform::PathInfo Lookup(const std::string& path) override { return host_.Lookup(path); }
    bool CreateDirectory(const std::string& path) override { return host_.CreateDirectory(path); }
    bool SetArchiveOnly(const std::string& path) override { return host_.SetArchiveOnly(path); }
    bool Delete(const std::string& path) override { return host_.Delete(path); }
    bool SetCurrentDirectory(const std::string& path) override { return host_.SetCurrentDirectory(path); }
    bool CopyFile(const std::string& from, const std::string& to, platform::FileError* error) override {
        return host_.CopyFile(from, to, error);
    }
    std::unique_ptr<platform::File> CreateScratch(const std::string& directory, const std::string& prefix,
                                                  std::string* path) override {
        return host_.CreateScratch(directory, prefix, path);
    }
    bool IsWritable(const std::string& path) override { return host_.IsWritable(path); }
    std::optional<std::uint64_t> SizeOf(const std::string& path) override { return host_.SizeOf(path); }
    bool CreatePrivateDirectory(const std::string& path, std::string* why) override {
        return host_.CreatePrivateDirectory(path, why);
    }
    std::string CheckPrivateDirectory(const std::string& path) override { return host_.CheckPrivateDirectory(path); }
    std::optional<std::vector<platform::DirectoryEntry>> List(const std::string& path) override {
        return host_.List(path);
    }
    bool SameSpelling(const std::string& a, const std::string& b) override { return host_.SameSpelling(a, b); }

private:
    platform::FileSystem& host_;
    std::string failure_;
};

}  // namespace mendora::tools
