#include "tools/revert/WorkDirectory.h"
#include <filesystem>

#include "archive/BootArchive.h"
#include "platform/kernel/Console.h"

namespace mendora::revert_tool {

namespace {

constexpr std::uint16_t kLibraryResource = 151;
constexpr std::uint16_t kRevertBootResource = 156;

bool WriteResource(platform::Kernel& kernel, std::uint16_t id, const std::string& path) {
    auto bytes = kernel.resources.Find("BINARYFILE", id);
    if (!bytes) return false;
    auto file = kernel.files.Open(path, platform::OpenMode::CreateWriteOnly);
    return file && file->Write(bytes->data(), bytes->size()) == static_cast<long>(bytes->size());
}

bool Unpack(platform::Kernel& kernel, const std::string& archivePath, const std::string& output) {
    BootArchive archive(kernel);
    if (archive.Open(archivePath, false) == 0 || archive.Rewind() == 0) return false;
    archive.outputDirectory = output;
    while (archive.ExtractNext() == 1) {
    }
    archive.Close();
    return true;
}

}  // namespace

std::string PrepareWorkDirectory(platform::Kernel& kernel, std::string* error) {
    std::string why;
    std::string root = kernel.tempRoot.Directory(&why);
    if (root.empty()) {
        *error = "no private temporary directory: " + why;
        return {};
    }
    std::string directory = root + "mendora-revert-" + std::to_string(platform::CurrentProcessId());
    if (!kernel.files.CreatePrivateDirectory(directory, &why) && !kernel.files.Lookup(directory).isDirectory) {
        *error = "cannot create " + directory + ": " + why;
        return {};
    }
    if (std::string problem = kernel.files.CheckPrivateDirectory(directory); !problem.empty()) {
        *error = directory + " cannot be used: " + problem;
        return {};
    }
    if (!WriteResource(kernel, kLibraryResource, directory + "/QDLL.dll")) {
        *error = "cannot place the device library into " + directory;
        RemoveWorkDirectory(directory);
        return {};
    }
    const std::string archivePath = directory + "/RBootCode.r";
    if (!WriteResource(kernel, kRevertBootResource, archivePath) ||
        !Unpack(kernel, archivePath, directory + "/RevertBoot/")) {
        *error = "cannot unpack the revert images into " + directory;
        RemoveWorkDirectory(directory);
        return {};
    }
    return directory;
}

void RemoveWorkDirectory(const std::string& directory) {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

}  // namespace mendora::revert_tool
