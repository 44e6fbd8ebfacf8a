#include "flash/RevertEngine.h"

#include <algorithm>
#include <cstring>

#include "flash/ScsiDevice.h"
#include "flash/SettingTables.h"
#include "flash/TextFormat.h"
#include "protocol/ControllerChips.h"

namespace mendora {

namespace {

constexpr std::uint32_t kTransferBytes = 65536;
constexpr const char* kDevicePrefix = "\\\\.\\";

}  // namespace

RevertEngine::RevertEngine(const std::string& name, FlashGeometry& geometry, RevertOptions& options, int logFlag,
                           RevertHost& host)
    : name_(name), geo_(geometry), options_(options), logFlag_(logFlag), host_(host) {
    Start();
}

RevertEngine::~RevertEngine() {
    ClosePatternFile();
    log_.reset();
    drive_.reset();
}

void RevertEngine::NoteReason(std::uint32_t chip, std::uint32_t block, std::uint8_t reason) {
    const std::size_t at = std::size_t{chip} * geo_.BlocksPerChip + block;
    if (at < badBlockReasons_.size() && badBlockReasons_[at] == bad_block_reason::kNone) badBlockReasons_[at] = reason;
}

void RevertEngine::Start() {
    chipCount_ = geo_.chipcnt;
    testLevel_ = options_.TestLevel;
    badBlockMap_.assign(std::size_t{geo_.chipcnt} * geo_.BlocksPerChip, 0);
    badBlockReasons_.assign(badBlockMap_.size(), bad_block_reason::kNone);
    if (logFlag_ != 0) {
        log_ = host_.files.Open(Format("./RevertLog%02d.txt", geo_.Port + 1), platform::OpenMode::CreateWriteOnly);
        if (!log_) ShowError("Can not open log.");
    }
    if (!OpenDrive()) return;
    if (!AllocateBuffers()) return;
    if (!LoadRevertFirmware(imagePath_)) {
        ShowError(Format("Can not load firmware (%s)", name_.c_str()));
        ready_ = false;
        return;
    }
    chunkSize_ = kTransferBytes;
    SendStartInterleave();
    LogGeometry();
    if (geo_.BlocksPerChip == 0 || geo_.SectorsPerPage == 0 || geo_.SectorsPerBlocks == 0) {
        ShowError("Bad parameter!");
        ready_ = false;
    }
    SeedPatternGenerator(static_cast<std::uint32_t>(host_.clock.CalendarTime()));
    ScanPatternFiles(host_.executableDirectory + "/Eval Pattern");
}

bool RevertEngine::OpenDrive() {
    std::string error;
    std::string name(geo_.DriveName, strnlen(geo_.DriveName, sizeof geo_.DriveName));
    if (auto opened = host_.drives.Open(kDevicePrefix + name, &error)) {
        drive_ = std::make_unique<CountingDrive>(std::move(opened));
        return true;
    }
    ShowError("Can not open the handle.");
    ready_ = false;
    return false;
}

bool RevertEngine::AllocateBuffers() {
    planes_ = geo_.zbank >= 2 && options_.TwoPlane != 0 ? 2 : 1;
    try {
        // A page of a mark or a table always fits, whatever the page size.
        transfer_.assign(std::max<std::size_t>(kTransferBytes, std::size_t{geo_.SectorsPerPage} * 512), 0);
        ChooseRevertImage();
        pattern_.assign(std::size_t{geo_.SectorsPerBlocks} * planes_ * 512, 0);
        buffersPresent_ = true;
    } catch (const std::exception&) {
        transfer_.clear();
        pattern_.clear();
        ShowError("Can not allocate buffer");
        ready_ = false;
    }
    return buffersPresent_;
}

void RevertEngine::SendStartInterleave() {
    if (geo_.model != chips::kQf90) return;
    std::uint8_t twoPlane = options_.TwoPlane != 0 && geo_.zbank >= 2 ? 1 : 0;
    ScsiDevice::SetInterleave(*drive_, SettingB(options_.SettingIndexB), SettingA(options_.SettingIndexA), twoPlane);
}

void RevertEngine::LogGeometry() {
    if (options_.ExplicitGeometry != 0) {
        LogLine(Format("BlocksPerChip = %d SectorsPerPage=%d SectorsPerBlocks=%d\n",
                       static_cast<int>(options_.ExplicitBlocksPerChip),
                       static_cast<int>(options_.ExplicitSectorsPerPage),
                       static_cast<int>(options_.ExplicitSectorsPerBlock)),
                1);
        return;
    }
    LogLine(Format("BlocksPerChip = %d Page Size=%d Bytes\n", static_cast<int>(geo_.BlocksPerChip),
                   static_cast<int>(geo_.SectorsPerPage * 512)),
            1);
    if (geo_.SectorsPerPage == 0) return;
    LogLine(Format("Block Size = %d Pages  MLC=%d Dual Mode=%d\n",
                   static_cast<int>(geo_.SectorsPerBlocks / geo_.SectorsPerPage), static_cast<int>(geo_.MLC),
                   static_cast<int>(geo_.DualMode)),
            1);
}

void RevertEngine::SetEccLimit(std::uint8_t bits) { eccLimit_ = bits; }

bool RevertEngine::IsReady() const { return ready_ && buffersPresent_ && drive_ != nullptr; }

void RevertEngine::LogLine(const std::string& text, int /*level*/) {
    if (logFlag_ == 0 || !log_) return;
    log_->Write(text.data(), text.size());
}

void RevertEngine::ShowError(const std::string& text) {
    host_.messages.MessageBox(text, "Error", platform::MessageButtons::Ok);
}

}  // namespace mendora
