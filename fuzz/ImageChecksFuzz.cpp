// Revert images and firmware images of arbitrary content and size: the RAM image check,
// the library's firmware load and the console's version read. The input picks a file size
// near the one each reader expects and the bytes at the place it looks.
#include <cstring>

#include "console/FirmwareCheck.h"
#include "devlib/FirmwareUpdate.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "platform/kernel/linux/LinuxFileSystem.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/RevertImageFormat.h"

namespace mendora::fuzz::image_checks {

namespace {

// A file of `size` bytes of `fill` with `content` from `at` on, cut at the file's end.
std::string FileOf(std::size_t size, char fill, std::size_t at, std::string_view content) {
    std::string file(size, fill);
    if (at < size) file.replace(at, std::min(content.size(), size - at), content.substr(0, size - at));
    return file;
}

void RevertImage(const std::string& file) {
    if (file.size() < revert::kRamImageOffset + revert::kRamImageSize) return;
    std::vector<std::uint8_t> ram(file.begin() + revert::kRamImageOffset,
                                  file.begin() + revert::kRamImageOffset + revert::kRamImageSize);
    std::uint16_t model = 0;
    if (revert::IsValidRamImage(ram.data(), &model)) {
        FUZZ_CHECK(model == revert::kModelQf70 || model == revert::kModelQf90);
        FUZZ_CHECK(revert::ReadLe16(&ram[revert::kEntryOffset]) >= revert::kRamLoadAddress + revert::kRamHeaderSize);
    }
    // Sealing any body gives an image the check accepts.
    revert::SealRamImage(ram.data(), revert::kModelQf90, revert::ReadLe16(&ram[revert::kVersionOffset]), 0xF010);
    FUZZ_CHECK(revert::IsValidRamImage(ram.data(), nullptr));
}

void FirmwareImage(const std::string& path, const std::string& file) {
    platform::LinuxFileSystem files;
    auto image = devlib::LoadFirmwareImage(files, path);
    FUZZ_CHECK(image.has_value() == (file.size() == firmware::kImageSize));

    std::string version = ReadUpdateFirmwareVersion(files, path);
    FUZZ_CHECK(version.size() <= firmware::kVersionSize);
    if (file.size() < firmware::kVersionOffset + firmware::kVersionSize) FUZZ_CHECK(version.empty());
    if (image) {
        std::string_view stored = firmware::VersionOf(image->data());
        FUZZ_CHECK(version == BufferText(stored.data(), stored.size()));
    }
    VersionCompareLine(version, file.substr(0, 64));

    char version32[kVersionBuffer] = {};
    std::memcpy(version32, file.data(), std::min(file.size(), sizeof version32));
    std::string text = DeviceInformationText("drive", version32);
    FUZZ_CHECK(text.size() <= 5 + 9 + std::max<std::size_t>(kVersionBuffer, 11));
}

}  // namespace

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    const std::uint8_t kind = input.U8();
    const auto delta = static_cast<std::int8_t>(input.U8());
    std::string_view content = input.Rest();
    std::string file;
    switch (kind % 4) {
        case 0: file = std::string(content); break;
        case 1: file = FileOf(revert::kMinFileSize + delta, '\xA5', revert::kRamImageOffset, content); break;
        case 2: file = FileOf(firmware::kImageSize + delta, '\xFF', firmware::kVersionOffset - 2, content); break;
        case 3: file = FileOf(firmware::kImageSize, '\x00', firmware::kVersionOffset - 2, content); break;
    }
    const std::string path = FreshDirectory("images") + "/image.bin";
    testing::WriteBytes(path, file);
    RevertImage(file);
    FirmwareImage(path, file);
    return 0;
}

}  // namespace mendora::fuzz::image_checks
