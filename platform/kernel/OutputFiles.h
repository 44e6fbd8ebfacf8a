#pragma once
// Files a program writes for the person who runs it: reports, pictures, logs. It often
// runs as root, sometimes in a directory other users can write to (/tmp), so such a file
// is never reached through a symbolic link, and in a directory another user can write to
// only a new file, or one of this user's own with no other name, is ever replaced.
#include <memory>
#include <string>

#include "platform/kernel/File.h"

namespace mendora::platform {

// Empty when a file can be written at `path`: its directory exists and takes new files,
// and the name is free or holds a file that may be replaced. Otherwise why not. Nothing
// is created.
std::string CheckOutputFile(const std::string& path);

// Empty when `path` is a directory files can be written into, made here (one level) when
// it does not exist yet. Otherwise why not.
std::string PrepareOutputDirectory(const std::string& path);

// Opens the file at `path` for writing, emptied, under the rules above; nullptr with the
// reason in *error.
std::unique_ptr<File> CreateOutputFile(const std::string& path, std::string* error);

}  // namespace mendora::platform
