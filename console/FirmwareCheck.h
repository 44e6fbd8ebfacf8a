#pragma once
#include <cstddef>
#include <string>

#include "platform/kernel/FileSystem.h"

namespace mendora {

inline constexpr std::size_t kVersionBuffer = 32;

// Whether a version buffer names a drive without firmware: "FFFFFF" in its first 6 bytes.
bool IsNoFirmware(const char* version32);

// The text of a zero-initialised buffer: up to its first zero, at most the buffer's size.
std::string BufferText(const char* buffer, std::size_t size);

// "<description>\n\nFW Ver:<version>", with "NO FIRMWARE" for a drive without firmware.
std::string DeviceInformationText(const std::string& description, const char* version32);

// The version text of an update firmware file: the 6 bytes at 0xEFF2, read as 16 bytes
// from 0xEFF0. Empty when the file does not open or is too short to hold them.
std::string ReadUpdateFirmwareVersion(platform::FileSystem& files, const std::string& path);

// The decimal number at the start of a version text from its fourth character on
// (leading blanks and a sign accepted), 0 when there is none.
int VersionNumber(const std::string& version);

// "fwv=<current>, newfwv=<new>"
std::string VersionCompareLine(const std::string& current, const std::string& update);

}  // namespace mendora
