#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/kernel/Kernel.h"

namespace mendora {

inline constexpr const char* kBinaryFileType = "BINARYFILE";

// Raised when the executable's own path has no directory part.
struct ExeLocationError : std::runtime_error {
    ExeLocationError() : std::runtime_error("Unable to get exe location") {}
};

// The executable's directory, without a trailing '/'. Throws ExeLocationError.
std::string GetExeDirectory(platform::Kernel& kernel);

// Writes the resource's bytes, exactly, to the file of that name beside the executable.
// Nothing is reported: a missing resource gives an empty file, an unopenable file nothing.
void WriteResourceFile(platform::Kernel& kernel, const std::string& type, std::uint16_t id,
                       const std::string& fileName);

// Removes a stale copy of the file from the work directory (marks that would stop the
// removal are cleared first), then writes the embedded resource in its place.
void PlaceEmbeddedFile(platform::Kernel& kernel, const std::string& workDirectory,
                       const std::string& fileName, std::uint16_t id);

}  // namespace mendora
