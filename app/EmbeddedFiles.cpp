#include "app/EmbeddedFiles.h"

namespace mendora {

std::string GetExeDirectory(platform::Kernel& kernel) {
    std::string path = kernel.process.ExecutablePath();
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) throw ExeLocationError();
    return path.substr(0, slash);
}

void WriteResourceFile(platform::Kernel& kernel, const std::string& type, std::uint16_t id,
                       const std::string& fileName) {
    std::string target = GetExeDirectory(kernel) + "/" + fileName;
    auto bytes = kernel.resources.Find(type, id);
    auto file = kernel.files.Open(target, platform::OpenMode::CreateWriteOnly);
    if (!file || !bytes || bytes->empty()) return;
    file->Write(bytes->data(), bytes->size());
}

void PlaceEmbeddedFile(platform::Kernel& kernel, const std::string& workDirectory,
                       const std::string& fileName, std::uint16_t id) {
    std::string stale = workDirectory + "/" + fileName;
    if (kernel.files.Lookup(stale).exists) {
        kernel.files.SetArchiveOnly(stale);
        kernel.files.Delete(stale);
    }
    WriteResourceFile(kernel, kBinaryFileType, id, fileName);
}

}  // namespace mendora
