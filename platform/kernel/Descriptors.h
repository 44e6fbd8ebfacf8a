#pragma once
// Files opened as descriptors of the C runtime, for libraries that read and write through
// one (zlib's gz functions), by a UTF-8 path on every host: the runtime's own open takes
// the ANSI code page on Windows.
#include <string>

namespace mendora::platform {

enum class DescriptorMode {
    Read,         // an existing file
    CreateWrite,  // created or emptied, write only
};

// The descriptor, in binary mode; -1 when the file cannot be opened.
int OpenDescriptor(const std::string& path, DescriptorMode mode);
void CloseDescriptor(int descriptor);

}  // namespace mendora::platform
