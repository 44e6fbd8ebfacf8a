#include "devlib/FirmwareUpdate.h"

#include <fstream>
#include <iterator>

#include "devlib/UpdateFirmwareFiles.h"
#include "vdrive/FirmwareImageFormat.h"

namespace mendora::devlib {

std::string UpdateFirmwarePath(platform::ProcessHost& process, std::uint16_t chipId, std::uint8_t selectionCode) {
    const UpdateFirmwareFile* update = UpdateFirmwareFor(chipId, selectionCode);
    std::string exe = process.ExecutablePath();
    std::size_t slash = exe.rfind('/');
    if (update == nullptr || slash == std::string::npos) return {};
    return exe.substr(0, slash) + "/Boot/" + std::string(update->entry);
}

std::optional<std::vector<std::uint8_t>> LoadFirmwareImage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> image(firmware::kImageSize + 1);
    in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (in.bad() || static_cast<std::size_t>(in.gcount()) != firmware::kImageSize) return std::nullopt;
    image.resize(firmware::kImageSize);
    return image;
}

bool IsMadeFor(const std::vector<std::uint8_t>& image, std::uint16_t chipId) {
    return image.size() == firmware::kImageSize && firmware::ControllerOf(image.data()) == chipId;
}

}  // namespace mendora::devlib
