#pragma once
#include <set>
#include <string>

#include "platform/kernel/NativeKernel.h"

namespace mendora::platform {

// The real file system with failures on demand: a test names an operation (and, when it
// likes, a path) that is to fail, and the fake answers as the host would on a refusal.
class FakeFileSystem : public NativeFileSystem {
public:
    enum class Op { CreateDirectory, SetArchiveOnly, Delete, SetCurrentDirectory, CopyFile,
                    Open, CreateScratch };

    // Every call of op fails (on any path when path is empty).
    void Fail(Op op, const std::string& path = {}) { failures_.insert({op, path}); }
    // Counts how often op was asked for, whatever it answered.
    int Calls(Op op) const;
    std::string currentDirectory;
    // Compare names as a case-insensitive file system would.
    bool ignoresCase = false;

    bool CreateDirectory(const std::string& path) override;
    bool SetArchiveOnly(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to) override;
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> CreateScratch(const std::string& directory, const std::string& prefix,
                                        std::string* path) override;
    bool SameSpelling(const std::string& a, const std::string& b) override;

private:
    bool Fails(Op op, const std::string& path);
    std::set<std::pair<Op, std::string>> failures_;
    std::multiset<Op> calls_;
};

}  // namespace mendora::platform
