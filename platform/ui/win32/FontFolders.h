#pragma once
// The Windows font lookup's sources, for tests: faces are looked for in font folders and in
// font files named one by one (those Windows has registered).
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/FontFiles.h"

namespace mendora::platform {

// A lookup over the .ttf, .ttc and .otf files of the folders (in order), then the files.
// Families the dialogs name that are missing fall back to metric-compatible ones, then to
// any face there is.
std::unique_ptr<FontLookup> FolderFontLookup(const std::vector<std::string>& folders,
                                             const std::vector<std::string>& files);

// The files of the fonts Windows has registered, for the machine and for the user.
std::vector<std::string> RegisteredFontFiles();

}  // namespace mendora::platform
