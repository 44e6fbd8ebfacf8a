#include <algorithm>

#include "flash/RevertEngine.h"
#include "flash/ScsiDevice.h"
#include "flash/TextFormat.h"
#include "protocol/ControllerChips.h"
#include "protocol/RevertImageFormat.h"

namespace mendora {

namespace {

constexpr std::size_t kRamChunk = 512;
constexpr const char* kTuningKey = "software\\kzrevert";

}  // namespace

void RevertEngine::ChooseRevertImage() {
    const std::string& base = host_.executableDirectory;
    geo_.NeedsParameterBlock = 0;
    imagePath_.clear();
    if (geo_.model == chips::kQf90) {
        if (geo_.A1Version != 0) {
            imagePath_ = base + "/RevertBoot/90/q90sa1.bin";
        } else {
            imagePath_ = base + "/RevertBoot/90/q90s.bin";
            options_.PairedPageMode = 0;
        }
        geo_.NeedsParameterBlock = 1;
    } else if (geo_.model == chips::kQf70) {
        imagePath_ = base + "/RevertBoot/70/q70s.bin";
    }
}

bool RevertEngine::LoadRevertFirmware(const std::string& path) {
    if (!buffersPresent_) return false;
    std::vector<std::uint8_t> work;
    try {
        work.assign(revert::kRamImageSize, 0);
    } catch (const std::exception&) {
        ShowError("Can not allocate 4K buffer.");
        return false;
    }
    if (!ScsiDevice::BeginRamLoad(*drive_)) return false;
    host_.clock.Sleep(100);
    if (!DownloadRamImage(path, work)) return false;
    host_.clock.Sleep(300);
    ReadTuning();
    sectorsPerBlock_ = geo_.SectorsPerBlocks;
    sectorsPerPage_ = geo_.SectorsPerPage;
    for (std::uint8_t mask : {1, 4, 16}) ScsiDevice::ResetFlash(*drive_, work.data(), mask, 0xFF, 1);
    SendFlashParameters();
    return true;
}

// Reads the controller's RAM contents from the image and sends them in 512-byte pieces. An
// image too short to hold all 4096 bytes is refused rather than sending undefined bytes.
bool RevertEngine::DownloadRamImage(const std::string& path, std::vector<std::uint8_t>& work) {
    auto file = path.empty() ? nullptr : host_.files.Open(path, platform::OpenMode::ReadShared);
    if (!file) {
        ShowError(path + "\nThe file cannot be opened.");
        return false;
    }
    long got = file->Seek(revert::kRamImageOffset) ? file->Read(work.data(), work.size()) : -1;
    file.reset();
    if (got != static_cast<long>(work.size())) return false;
    for (std::size_t k = 0; k < revert::kRamImageSize / kRamChunk; ++k) {
        auto address = static_cast<std::uint16_t>(revert::kRamLoadAddress + k * kRamChunk);
        ScsiDevice::WriteRam(*drive_, address, static_cast<std::uint16_t>(kRamChunk), work.data() + k * kRamChunk);
    }
    return true;
}

void RevertEngine::ReadTuning() {
    std::uint32_t start = host_.registry.ReadDword(kTuningKey, "TestStartBlock").value_or(0);
    std::uint32_t count = host_.registry.ReadDword(kTuningKey, "TestBlockCount").value_or(0);
    startBlock_ = start;
    endBlock_ = geo_.BlocksPerChip;
    if (count != 0) endBlock_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{start} + count,
                                                                                   geo_.BlocksPerChip));
    if (startBlock_ >= geo_.BlocksPerChip) {
        LogLine(Format("TestStartBlock %u is not below BlocksPerChip %u: no block is tested\n", startBlock_,
                       geo_.BlocksPerChip),
                1);
    }
}

}  // namespace mendora
