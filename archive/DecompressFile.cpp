#include "archive/DecompressFile.h"

#include "archive/GzFile.h"

namespace mendora {

int DecompressFile(platform::Kernel& kernel, const std::string& scratchPath,
                   const std::string& destinationPath, bool* writeFailed) {
    GzFile gz(kernel.files);
    if (!gz.Open(scratchPath, GzFile::kReading)) return 0;

    // Decompressed before the destination is opened, so that a damaged member never
    // truncates an existing file.
    std::unique_ptr<std::uint8_t[]> content;
    std::size_t size = 0;
    gz.ReadAll(&content, &size);
    if (gz.ReadFailed()) {
        kernel.debug.Write("Skipped " + destinationPath + ": its member does not decompress");
        return 0;
    }

    auto destination = kernel.files.Open(destinationPath, platform::OpenMode::CreateWriteOnly);
    if (!destination) {
        kernel.messages.MessageBox("Failed to open file to decompress", scratchPath + destinationPath,
                                   platform::MessageButtons::Ok);
        return 0;
    }
    if (size > 0 && destination->Write(content.get(), size) != static_cast<long>(size)) {
        kernel.debug.Write("Couldn't write " + destinationPath);
        if (writeFailed) *writeFailed = true;
        return 0;
    }
    return 1;
}

}  // namespace mendora
