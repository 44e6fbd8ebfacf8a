#include "devlib/FirmwareUpdate.h"


#include "devlib/UpdateFirmwareFiles.h"
#include "protocol/FirmwareImageFormat.h"

namespace mendora::devlib {

std::string UpdateFirmwarePath(platform::ProcessHost& process, std::uint16_t chipId, std::uint8_t selectionCode) {
    const UpdateFirmwareFile* update = UpdateFirmwareFor(chipId, selectionCode);
    std::string exe = process.ExecutablePath();
    std::size_t slash = exe.rfind('/');
    if (update == nullptr || slash == std::string::npos) return {};
    return exe.substr(0, slash) + "/Boot/" + std::string(update->entry);
}

std::optional<std::vector<std::uint8_t>> LoadFirmwareImage(platform::FileSystem& files, const std::string& path) {
    auto file = path.empty() ? nullptr : files.Open(path, platform::OpenMode::ReadShared);
    if (!file) return std::nullopt;
    // One byte more than an image, to tell a longer file.
    std::vector<std::uint8_t> image(firmware::kImageSize + 1);
    std::size_t got = 0;
    while (got < image.size()) {
        long n = file->Read(image.data() + got, image.size() - got);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got != firmware::kImageSize) return std::nullopt;
    image.resize(firmware::kImageSize);
    return image;
}

bool IsMadeFor(const std::vector<std::uint8_t>& image, std::uint16_t chipId) {
    return image.size() == firmware::kImageSize && firmware::ControllerOf(image.data()) == chipId;
}

}  // namespace mendora::devlib
