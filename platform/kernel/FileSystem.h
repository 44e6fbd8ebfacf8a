#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/File.h"

namespace mendora::platform {

enum class OpenMode {
    ReadShared,          // existing file, read only, others may open it too
    ReadWriteExisting,   // existing file, read and write, nobody else may hold it
    CreateReadWrite,     // created or truncated, read and write, nobody else may hold it
    CreateWriteOnly,     // created or truncated, write only, nobody else may hold it
};

// What a lookup of a path found, without following a final symbolic link.
struct PathInfo {
    bool exists = false;
    bool isDirectory = false;
};

// Why an operation on a file failed, as far as the host tells.
struct FileError {
    // Another program holds the file (a running executable, a handle that shares nothing).
    bool inUse = false;
    // The host's words for the failure.
    std::string text;
};

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;  // a real directory, not a link to one
};

// Files and directories of the host. Paths use '/' as separator.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual PathInfo Lookup(const std::string& path) = 0;
    virtual bool CreateDirectory(const std::string& path) = 0;
    // Drops every mark but the owner's read and write (and execute on executables),
    // so that the file can be replaced or deleted.
    virtual bool SetArchiveOnly(const std::string& path) = 0;
    virtual bool Delete(const std::string& path) = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;
    // Copies by truncating the existing target in place, keeping the source's mode. On
    // failure *error, when given, says why.
    virtual bool CopyFile(const std::string& from, const std::string& to, FileError* error) = 0;
    virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
    // Creates a new file "<directory><prefix><n>" with the first n whose name is free,
    // exclusively, write only. The path is stored in *path.
    virtual std::unique_ptr<File> CreateScratch(const std::string& directory,
                                                const std::string& prefix, std::string* path) = 0;
    virtual bool IsWritable(const std::string& path) = 0;
    virtual std::optional<std::uint64_t> SizeOf(const std::string& path) = 0;
    // Makes a new directory that nobody with fewer rights than this process may write to
    // (see CheckPrivateDirectory). Fails on an existing name; on failure *why, when given,
    // says why.
    virtual bool CreatePrivateDirectory(const std::string& path, std::string* why) = 0;
    // Empty when the directory is ours alone: a real directory (not a link) that nobody
    // with fewer rights than this process owns or may write to. POSIX hosts: owned by us,
    // not writable by group or others. Windows: owned and writable by administrators and
    // SYSTEM only, and by the user too where none of the user's processes has fewer
    // rights than this one. Otherwise the reason it is not.
    virtual std::string CheckPrivateDirectory(const std::string& path) = 0;
    // The entries of a directory in the order the host gives them, "." and ".." included;
    // empty when it cannot be read.
    virtual std::optional<std::vector<DirectoryEntry>> List(const std::string& path) = 0;
    // Whether two spellings of a path name the same entry as far as letter case goes:
    // exact where the host's file system tells case apart, folded where it does not.
    virtual bool SameSpelling(const std::string& a, const std::string& b) = 0;
};

}  // namespace mendora::platform
