#pragma once
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "devlib/QdllApi.h"

namespace mendora::testing {

// The built module, loaded once per test process as the console loads it, with its entry
// points looked up by name.
struct QdllModule {
    void* module = nullptr;
    decltype(&QDLL_CreateCUSBDevice) CreateCUSBDevice = nullptr;
    decltype(&QDLL_DeviceExist) DeviceExist = nullptr;
    decltype(&QDLL_GetNumberOfDrive) GetNumberOfDrive = nullptr;
    decltype(&QDLL_SetCurrentDriveNumber) SetCurrentDriveNumber = nullptr;
    decltype(&QDLL_GetDeviceString) GetDeviceString = nullptr;
    decltype(&QDLL_GetFwVersion) GetFwVersion = nullptr;
    decltype(&QDLL_GetUpdateFWFile) GetUpdateFWFile = nullptr;
    decltype(&QDLL_GetChipID) GetChipID = nullptr;
    decltype(&QDLL_GetDriveLetter) GetDriveLetter = nullptr;
    decltype(&QDLL_GetDeviceAttrib) GetDeviceAttrib = nullptr;
    decltype(&QDLL_GetFlashAttrib) GetFlashAttrib = nullptr;
    decltype(&QDLL_GetCurrentProgress) GetCurrentProgress = nullptr;
    decltype(&QDLL_GetCurrentState) GetCurrentState = nullptr;
    decltype(&QDLL_RunRepairDevice) RunRepairDevice = nullptr;
    decltype(&QDLL_GetBADBlockInfomation) GetBADBlockInfomation = nullptr;
    decltype(&QDLL_GetErrorCode) GetErrorCode = nullptr;

    static QdllModule& Loaded() {
        static QdllModule m = Load();
        return m;
    }

    bool Complete() const {
        return CreateCUSBDevice && DeviceExist && GetNumberOfDrive && SetCurrentDriveNumber && GetDeviceString &&
               GetFwVersion && GetUpdateFWFile && GetChipID && GetDriveLetter && GetDeviceAttrib && GetFlashAttrib &&
               GetCurrentProgress && GetCurrentState && RunRepairDevice && GetBADBlockInfomation && GetErrorCode;
    }

private:
    template <typename F>
    void Bind(F*& f, const char* name) {
        f = reinterpret_cast<F*>(::dlsym(module, name));
    }
    static QdllModule Load() {
        QdllModule m;
        m.module = ::dlopen(MENDORA_QDLL_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m.module == nullptr) return m;
        m.Bind(m.CreateCUSBDevice, "QDLL_CreateCUSBDevice");
        m.Bind(m.DeviceExist, "QDLL_DeviceExist");
        m.Bind(m.GetNumberOfDrive, "QDLL_GetNumberOfDrive");
        m.Bind(m.SetCurrentDriveNumber, "QDLL_SetCurrentDriveNumber");
        m.Bind(m.GetDeviceString, "QDLL_GetDeviceString");
        m.Bind(m.GetFwVersion, "QDLL_GetFwVersion");
        m.Bind(m.GetUpdateFWFile, "QDLL_GetUpdateFWFile");
        m.Bind(m.GetChipID, "QDLL_GetChipID");
        m.Bind(m.GetDriveLetter, "QDLL_GetDriveLetter");
        m.Bind(m.GetDeviceAttrib, "QDLL_GetDeviceAttrib");
        m.Bind(m.GetFlashAttrib, "QDLL_GetFlashAttrib");
        m.Bind(m.GetCurrentProgress, "QDLL_GetCurrentProgress");
        m.Bind(m.GetCurrentState, "QDLL_GetCurrentState");
        m.Bind(m.RunRepairDevice, "QDLL_RunRepairDevice");
        m.Bind(m.GetBADBlockInfomation, "QDLL_GetBADBlockInfomation");
        m.Bind(m.GetErrorCode, "QDLL_GetErrorCode");
        return m;
    }
};

}  // namespace mendora::testing
