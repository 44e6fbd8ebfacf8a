#pragma once
// The host's file operations behind an image file: descriptors on POSIX hosts, handles on
// Windows, both carried as a number (-1: none).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::vdrive::imagehost {

inline constexpr std::intptr_t kNoFile = -1;

// A new file (none may exist by that name), or an existing one, open to other processes:
// for reading and writing, or an existing one for reading alone (it may sit on a read-only
// file system); kNoFile with *error set on failure.
std::intptr_t CreateNew(const std::string& path, std::string* error);
std::intptr_t OpenExisting(const std::string& path, bool writable, std::string* error);
void Close(std::intptr_t file);
void Remove(const std::string& path);

// Move all bytes or fail.
bool WriteAt(std::intptr_t file, const void* data, std::size_t size, std::uint64_t offset);
bool ReadAt(std::intptr_t file, void* data, std::size_t size, std::uint64_t offset);
std::optional<std::uint64_t> SizeOf(std::intptr_t file);
bool SetSize(std::intptr_t file, std::uint64_t size);
// Makes the file at least `size` long with the disk space of [oldSize, size) reserved (holes
// in it filled), so that a full disk fails here rather than as a fault on a mapped write.
// False with errno's text in *why (when given) on failure.
bool Reserve(std::intptr_t file, std::uint64_t oldSize, std::uint64_t size, std::string* why = nullptr);

// The lock every opener of the image takes around each command, held by this open file (not
// the process), so threads with their own opens exclude each other: exclusive for a writable
// open, shared among readers for a read-only one; waiting.
bool Lock(std::intptr_t file, bool writable = true);
void Unlock(std::intptr_t file);

// The first `size` bytes mapped shared, read and write (or read only); *mapping receives any
// object the host needs to keep. nullptr with *error set on failure.
std::uint8_t* Map(std::intptr_t file, std::uint64_t size, bool writable, std::intptr_t* mapping,
                  const std::string& path, std::string* error);
void Unmap(std::uint8_t* base, std::uint64_t size, std::intptr_t* mapping);
// Zeroes a range of the mapped file and keeps its disk space, so that later writes there
// cannot fail for want of room.
void Zero(std::intptr_t file, std::uint8_t* base, std::uint64_t offset, std::uint64_t length);

}  // namespace mendora::vdrive::imagehost
