#pragma once
#include <map>
#include <set>
#include <string>

#include "platform/kernel/NativeKernel.h"

namespace mendora::platform {

// The real file system with failures on demand: a test names an operation (and, when it
// likes, a path) that is to fail, and the fake answers as the host would on a refusal.
class FakeFileSystem : public NativeFileSystem {
public:
    enum class Op { CreateDirectory, CreatePrivateDirectory, SetArchiveOnly, Delete, SetCurrentDirectory,
                    CopyFile, Open, CreateScratch };

    // Every call of op fails (on any path when path is empty), "refused by the test".
    void Fail(Op op, const std::string& path = {}) { failures_.insert({op, path}); }
    // A copy onto the path fails as one onto a program that runs.
    void HoldInUse(const std::string& path) { inUse_.insert(path); }
    // The private-directory check answers this reason for the path, as a host would for
    // a directory others may write to.
    void Expose(const std::string& path, const std::string& reason) { exposed_[path] = reason; }
    // Counts how often op was asked for, whatever it answered.
    int Calls(Op op) const;
    std::string currentDirectory;
    // Compare names as a case-insensitive file system would.
    bool ignoresCase = false;

    bool CreateDirectory(const std::string& path) override;
    bool SetArchiveOnly(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool SetCurrentDirectory(const std::string& path) override;
    bool CreatePrivateDirectory(const std::string& path, std::string* why) override;
    std::string CheckPrivateDirectory(const std::string& path) override;
    bool CopyFile(const std::string& from, const std::string& to, FileError* error) override;
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<File> CreateScratch(const std::string& directory, const std::string& prefix,
                                        std::string* path) override;
    bool SameSpelling(const std::string& a, const std::string& b) override;

private:
    bool Fails(Op op, const std::string& path);
    std::set<std::pair<Op, std::string>> failures_;
    std::set<std::string> inUse_;
    std::map<std::string, std::string> exposed_;
    std::multiset<Op> calls_;
};

}  // namespace mendora::platform
