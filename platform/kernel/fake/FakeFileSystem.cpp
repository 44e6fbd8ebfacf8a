#include "platform/kernel/fake/FakeFileSystem.h"

#include "platform/kernel/CaseFolding.h"

namespace mendora::platform {

namespace {

constexpr const char* kRefusal = "refused by the test";

}  // namespace

int FakeFileSystem::Calls(Op op) const { return static_cast<int>(calls_.count(op)); }

bool FakeFileSystem::Fails(Op op, const std::string& path) {
    calls_.insert(op);
    return failures_.count({op, {}}) > 0 || failures_.count({op, path}) > 0;
}

bool FakeFileSystem::CreateDirectory(const std::string& path) {
    return !Fails(Op::CreateDirectory, path) && NativeFileSystem::CreateDirectory(path);
}

bool FakeFileSystem::SetArchiveOnly(const std::string& path) {
    return !Fails(Op::SetArchiveOnly, path) && NativeFileSystem::SetArchiveOnly(path);
}

bool FakeFileSystem::Delete(const std::string& path) {
    return !Fails(Op::Delete, path) && NativeFileSystem::Delete(path);
}

// The process's real current directory is left alone, so that tests cannot disturb
// each other; the fake only records where the system asked to go.
bool FakeFileSystem::SetCurrentDirectory(const std::string& path) {
    if (Fails(Op::SetCurrentDirectory, path) || !Lookup(path).isDirectory) return false;
    currentDirectory = path;
    return true;
}

bool FakeFileSystem::CreatePrivateDirectory(const std::string& path, std::string* why) {
    if (Fails(Op::CreatePrivateDirectory, path)) {
        if (why) *why = kRefusal;
        return false;
    }
    return NativeFileSystem::CreatePrivateDirectory(path, why);
}

std::string FakeFileSystem::CheckPrivateDirectory(const std::string& path) {
    auto exposed = exposed_.find(path);
    return exposed != exposed_.end() ? exposed->second : NativeFileSystem::CheckPrivateDirectory(path);
}

bool FakeFileSystem::CopyFile(const std::string& from, const std::string& to, FileError* error) {
    const bool inUse = inUse_.count(to) > 0;
    if (Fails(Op::CopyFile, to) || inUse) {
        if (error) *error = {inUse, to + ": " + (inUse ? "the file is in use" : kRefusal)};
        return false;
    }
    return NativeFileSystem::CopyFile(from, to, error);
}

std::unique_ptr<File> FakeFileSystem::Open(const std::string& path, OpenMode mode) {
    return Fails(Op::Open, path) ? nullptr : NativeFileSystem::Open(path, mode);
}

std::unique_ptr<File> FakeFileSystem::CreateScratch(const std::string& directory,
                                                    const std::string& prefix,
                                                    std::string* path) {
    return Fails(Op::CreateScratch, directory)
               ? nullptr
               : NativeFileSystem::CreateScratch(directory, prefix, path);
}

bool FakeFileSystem::SameSpelling(const std::string& a, const std::string& b) {
    return ignoresCase ? EqualIgnoringCase(a, b) : NativeFileSystem::SameSpelling(a, b);
}

}  // namespace mendora::platform
