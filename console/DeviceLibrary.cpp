#include "console/DeviceLibrary.h"

namespace mendora {

namespace {

constexpr const char* kEntryNames[DeviceLibrary::kEntryCount] = {
    "QDLL_CreateCUSBDevice", "QDLL_DeviceExist",     "QDLL_GetNumberOfDrive",      "QDLL_SetCurrentDriveNumber",
    "QDLL_GetDeviceString",  "QDLL_GetFwVersion",    "QDLL_GetUpdateFWFile",       "QDLL_GetChipID",
    "QDLL_GetDriveLetter",   "QDLL_GetDeviceAttrib", "QDLL_GetFlashAttrib",        "QDLL_GetCurrentProgress",
    "QDLL_GetCurrentState",  "QDLL_RunRepairDevice", "QDLL_GetBADBlockInfomation", "QDLL_GetErrorCode",
};

std::size_t Index(DeviceLibrary::Entry entry) { return static_cast<std::size_t>(entry); }

}  // namespace

DeviceLibrary::DeviceLibrary(platform::ModuleLoader& loader, std::string moduleName)
    : loader_(loader), moduleName_(std::move(moduleName)) {}

DeviceLibrary::~DeviceLibrary() = default;

void* DeviceLibrary::Address(Entry entry) {
    std::lock_guard<std::mutex> hold(mutex_);
    Lookup& lookup = lookups_[Index(entry)];
    if (lookup == Lookup::NotTried) {
        if (!module_ && !loadTried_) {
            loadTried_ = true;
            platform::ModuleLoad load = loader_.Load(moduleName_);
            module_ = std::move(load.module);
            if (!module_) loadError_ = load.errorCode != 0 ? load.errorCode : platform::kUnknownLoadError;
        }
        void* address = module_ ? module_->Symbol(kEntryNames[Index(entry)]) : nullptr;
        addresses_[Index(entry)] = address;
        lookup = address != nullptr ? Lookup::Present : Lookup::Missing;
    }
    return addresses_[Index(entry)];
}

bool DeviceLibrary::Has(Entry entry) { return Address(entry) != nullptr; }

DeviceLibrary::Lookup DeviceLibrary::LookupState(Entry entry) {
    std::lock_guard<std::mutex> hold(mutex_);
    return lookups_[Index(entry)];
}

std::uint32_t DeviceLibrary::LoadError() {
    std::lock_guard<std::mutex> hold(mutex_);
    return loadError_;
}

template <typename Function, typename... Args>
auto DeviceLibrary::Call(Entry entry, Args... args) -> decltype(std::declval<Function*>()(args...)) {
    auto* function = reinterpret_cast<Function*>(Address(entry));
    if (function == nullptr) return 0;
    return function(args...);
}

QdllHandle DeviceLibrary::CreateCUSBDevice() {
    return Call<decltype(QDLL_CreateCUSBDevice)>(Entry::CreateCUSBDevice);
}
int DeviceLibrary::DeviceExist(QdllHandle d) { return Call<decltype(QDLL_DeviceExist)>(Entry::DeviceExist, d); }
int DeviceLibrary::GetNumberOfDrive(QdllHandle d) {
    return Call<decltype(QDLL_GetNumberOfDrive)>(Entry::GetNumberOfDrive, d);
}
int DeviceLibrary::SetCurrentDriveNumber(QdllHandle d, int drive) {
    return Call<decltype(QDLL_SetCurrentDriveNumber)>(Entry::SetCurrentDriveNumber, d, drive);
}
int DeviceLibrary::GetDeviceString(QdllHandle d, char* text) {
    return Call<decltype(QDLL_GetDeviceString)>(Entry::GetDeviceString, d, text);
}
int DeviceLibrary::GetFwVersion(QdllHandle d, char* version) {
    return Call<decltype(QDLL_GetFwVersion)>(Entry::GetFwVersion, d, version);
}
int DeviceLibrary::GetUpdateFWFile(QdllHandle d, char* path, std::uint8_t code) {
    return Call<decltype(QDLL_GetUpdateFWFile)>(Entry::GetUpdateFWFile, d, path, code);
}
int DeviceLibrary::GetChipID(QdllHandle d, std::uint16_t* id, std::uint16_t* version) {
    return Call<decltype(QDLL_GetChipID)>(Entry::GetChipID, d, id, version);
}
int DeviceLibrary::GetDriveLetter(QdllHandle d, int which, char* letter) {
    return Call<decltype(QDLL_GetDriveLetter)>(Entry::GetDriveLetter, d, which, letter);
}
int DeviceLibrary::GetDeviceAttrib(QdllHandle d, std::uint8_t* flashId, std::uint8_t* model, std::uint8_t* attribute,
                                   std::uint8_t* zoneBank, std::uint8_t* chipCount) {
    return Call<decltype(QDLL_GetDeviceAttrib)>(Entry::GetDeviceAttrib, d, flashId, model, attribute, zoneBank,
                                                chipCount);
}
int DeviceLibrary::GetFlashAttrib(QdllHandle d, std::uint16_t* maxSectors, std::uint16_t* maxLogSectors,
                                  std::uint16_t* maxBlocks, std::uint16_t* maxZones, std::uint8_t* a1Version,
                                  std::uint8_t* redundantSymbol) {
    return Call<decltype(QDLL_GetFlashAttrib)>(Entry::GetFlashAttrib, d, maxSectors, maxLogSectors, maxBlocks,
                                               maxZones, a1Version, redundantSymbol);
}
int DeviceLibrary::GetCurrentProgress(QdllHandle d) {
    return Call<decltype(QDLL_GetCurrentProgress)>(Entry::GetCurrentProgress, d);
}
int DeviceLibrary::GetCurrentState(QdllHandle d) {
    return Call<decltype(QDLL_GetCurrentState)>(Entry::GetCurrentState, d);
}
int DeviceLibrary::RunRepairDevice(QdllHandle d, std::uint8_t flags) {
    return Call<decltype(QDLL_RunRepairDevice)>(Entry::RunRepairDevice, d, flags);
}
int DeviceLibrary::GetBADBlockInfomation(QdllHandle d, std::uint32_t* bad, std::uint32_t* total,
                                         std::uint16_t* divisor) {
    return Call<decltype(QDLL_GetBADBlockInfomation)>(Entry::GetBADBlockInfomation, d, bad, total, divisor);
}
std::uint32_t DeviceLibrary::GetErrorCode(QdllHandle d) {
    return Call<decltype(QDLL_GetErrorCode)>(Entry::GetErrorCode, d);
}

}  // namespace mendora
