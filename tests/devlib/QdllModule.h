#pragma once
#include <memory>
#include <string>

#include "devlib/QdllApi.h"
#include "platform/kernel/ModuleLoader.h"

namespace mendora::testing {

// The built module, loaded once per test process as the console loads it, with its entry
// points looked up by name (nullptr when missing).
struct QdllModule {
    static QdllModule& Loaded() {
        static QdllModule m;
        return m;
    }

    platform::ModuleLoad load = platform::LoadModuleFile(MENDORA_QDLL_PATH);
    platform::Module* module = load.module.get();

    // An entry point by name, or nullptr.
    void* Symbol(const char* name) { return module ? module->Symbol(name) : nullptr; }

#define MENDORA_QDLL_ENTRY(name) decltype(&QDLL_##name) name = Find<decltype(&QDLL_##name)>("QDLL_" #name)
    MENDORA_QDLL_ENTRY(CreateCUSBDevice);
    MENDORA_QDLL_ENTRY(DeviceExist);
    MENDORA_QDLL_ENTRY(GetNumberOfDrive);
    MENDORA_QDLL_ENTRY(SetCurrentDriveNumber);
    MENDORA_QDLL_ENTRY(GetDeviceString);
    MENDORA_QDLL_ENTRY(GetFwVersion);
    MENDORA_QDLL_ENTRY(GetUpdateFWFile);
    MENDORA_QDLL_ENTRY(GetChipID);
    MENDORA_QDLL_ENTRY(GetDriveLetter);
    MENDORA_QDLL_ENTRY(GetDeviceAttrib);
    MENDORA_QDLL_ENTRY(GetFlashAttrib);
    MENDORA_QDLL_ENTRY(GetCurrentProgress);
    MENDORA_QDLL_ENTRY(GetCurrentState);
    MENDORA_QDLL_ENTRY(RunRepairDevice);
    MENDORA_QDLL_ENTRY(GetBADBlockInfomation);
    MENDORA_QDLL_ENTRY(GetErrorCode);
#undef MENDORA_QDLL_ENTRY

    bool Complete() const {
        return CreateCUSBDevice && DeviceExist && GetNumberOfDrive && SetCurrentDriveNumber && GetDeviceString &&
               GetFwVersion && GetUpdateFWFile && GetChipID && GetDriveLetter && GetDeviceAttrib && GetFlashAttrib &&
               GetCurrentProgress && GetCurrentState && RunRepairDevice && GetBADBlockInfomation && GetErrorCode;
    }

private:
    QdllModule() = default;
    template <typename F>
    F Find(const char* name) {
        return reinterpret_cast<F>(Symbol(name));
    }
};

}  // namespace mendora::testing
