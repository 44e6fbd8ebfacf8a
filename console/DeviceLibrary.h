#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "devlib/QdllApi.h"
#include "platform/kernel/ModuleLoader.h"

namespace mendora {

// The run-time binding to the device library. The module is loaded on the first call of
// any entry point; each entry point is looked up by name on its own first use and its
// lookup remembered. A failed load is kept with its error code and never retried. A call
// of an entry point that is missing answers 0 and leaves its outputs as they were. The
// module is freed with the binding. Calls may come from several threads at once.
class DeviceLibrary {
public:
    enum class Entry {
        CreateCUSBDevice, DeviceExist, GetNumberOfDrive, SetCurrentDriveNumber, GetDeviceString, GetFwVersion,
        GetUpdateFWFile, GetChipID, GetDriveLetter, GetDeviceAttrib, GetFlashAttrib, GetCurrentProgress,
        GetCurrentState, RunRepairDevice, GetBADBlockInfomation, GetErrorCode,
    };
    static constexpr std::size_t kEntryCount = 16;
    enum class Lookup { NotTried, Missing, Present };

    DeviceLibrary(platform::ModuleLoader& loader, std::string moduleName);
    ~DeviceLibrary();
    DeviceLibrary(const DeviceLibrary&) = delete;
    DeviceLibrary& operator=(const DeviceLibrary&) = delete;

    // Looks the entry point up when it was not tried yet; answers whether it is present.
    bool Has(Entry entry);
    Lookup LookupState(Entry entry);
    std::uint32_t LoadError();

    QdllHandle CreateCUSBDevice();
    int DeviceExist(QdllHandle device);
    int GetNumberOfDrive(QdllHandle device);
    int SetCurrentDriveNumber(QdllHandle device, int drive);
    int GetDeviceString(QdllHandle device, char* text256);
    int GetFwVersion(QdllHandle device, char* version32);
    int GetUpdateFWFile(QdllHandle device, char* path512, std::uint8_t selectionCode);
    int GetChipID(QdllHandle device, std::uint16_t* chipId, std::uint16_t* chipVersion);
    int GetDriveLetter(QdllHandle device, int which, char* letter);
    int GetDeviceAttrib(QdllHandle device, std::uint8_t* flashId5, std::uint8_t* model, std::uint8_t* attribute,
                        std::uint8_t* zoneBank, std::uint8_t* chipCount);
    int GetFlashAttrib(QdllHandle device, std::uint16_t* maxSectors, std::uint16_t* maxLogSectors,
                       std::uint16_t* maxBlocks, std::uint16_t* maxZones, std::uint8_t* a1Version,
                       std::uint8_t* redundantSymbol);
    int GetCurrentProgress(QdllHandle device);
    int GetCurrentState(QdllHandle device);
    int RunRepairDevice(QdllHandle device, std::uint8_t flags);
    int GetBADBlockInfomation(QdllHandle device, std::uint32_t* bad, std::uint32_t* total, std::uint16_t* divisor);
    std::uint32_t GetErrorCode(QdllHandle device);

private:
    void* Address(Entry entry);
    template <typename Function, typename... Args>
    auto Call(Entry entry, Args... args) -> decltype(std::declval<Function*>()(args...));

    platform::ModuleLoader& loader_;
    const std::string moduleName_;
    std::mutex mutex_;
    std::unique_ptr<platform::Module> module_;
    bool loadTried_ = false;
    std::uint32_t loadError_ = 0;
    std::array<Lookup, kEntryCount> lookups_{};
    std::array<void*, kEntryCount> addresses_{};
};

}  // namespace mendora
