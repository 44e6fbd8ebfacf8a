#pragma once
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora::bootpack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int Pack(platform::Kernel& kernel, const std::string& directory, const std::string& archive);
int List(platform::Kernel& kernel, const std::string& archive);
int Unpack(platform::Kernel& kernel, const std::string& archive, const std::string& directory);

// The archive file a user names on the command line.
std::string ArchiveFile(const std::string& given);

// Prints "bootpack: <message>" on stderr and answers kExitFailure.
int Fail(const std::string& message);

}  // namespace mendora::bootpack
