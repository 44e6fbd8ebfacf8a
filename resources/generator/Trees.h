#pragma once
#include <string>
#include <vector>

#include "resources/generator/Images.h"

namespace mendora::genfiles {

struct GeneratedFile {
    std::string path;  // relative, '/' separated
    Bytes content;
};

inline constexpr std::size_t kBootFileCount = 109;
inline constexpr std::size_t kRevertBootFileCount = 15;

// The controller boot code: loaders, firmware images and dual-bank images.
std::vector<GeneratedFile> BootTree();

// The revert images per controller model and the revert defaults.
std::vector<GeneratedFile> RevertBootTree();

}  // namespace mendora::genfiles
