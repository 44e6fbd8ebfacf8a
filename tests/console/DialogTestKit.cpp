#include "tests/console/DialogTestKit.h"

#include <algorithm>

#include "platform/kernel/TableResources.h"

namespace mendora::testing {

FakeDrive& Drive() {
    static FakeDrive drive;
    return drive;
}

namespace {

void CopyText(char* to, std::size_t size, const std::string& text) {
    std::size_t n = std::min(text.size(), size);
    std::memcpy(to, text.data(), n);
}

QdllHandle FakeCreate() { return 0x1234; }
int FakeExist(QdllHandle) { return Drive().exists; }
int FakeNumber(QdllHandle) { return Drive().exists; }
int FakeSetDrive(QdllHandle, int) { return 1; }
int FakeDeviceString(QdllHandle, char* text) {
    CopyText(text, 255, Drive().description);
    return 1;
}
int FakeFwVersion(QdllHandle, char* version) {
    CopyText(version, 32, Drive().version);
    return 1;
}
int FakeUpdateFile(QdllHandle, char* path, std::uint8_t code) {
    Drive().selectionAsked = code;
    CopyText(path, 511, Drive().updateFile);
    return 1;
}
int FakeChipId(QdllHandle, std::uint16_t* id, std::uint16_t* version) {
    *id = Drive().chipId;
    *version = Drive().chipVersion;
    return 1;
}
int FakeLetter(QdllHandle, int, char* letter) {
    *letter = Drive().letter;
    return 1;
}
int FakeDeviceAttrib(QdllHandle, std::uint8_t* id, std::uint8_t* model, std::uint8_t* attribute,
                     std::uint8_t* zoneBank, std::uint8_t* chipCount) {
    std::memcpy(id, Drive().flashId, 5);
    *model = Drive().model;
    *attribute = Drive().attribute;
    *zoneBank = Drive().zoneBank;
    *chipCount = Drive().chipCount;
    return 1;
}
int FakeFlashAttrib(QdllHandle, std::uint16_t* sectors, std::uint16_t* logSectors, std::uint16_t* blocks,
                    std::uint16_t* zones, std::uint8_t* a1, std::uint8_t* symbol) {
    *sectors = Drive().maxSectors;
    *logSectors = Drive().maxLogSectors;
    *blocks = Drive().maxBlocks;
    *zones = Drive().maxZones;
    *a1 = Drive().a1Version;
    *symbol = Drive().redundantSymbol;
    return 1;
}

template <typename F>
void* Address(F* function) {
    return reinterpret_cast<void*>(function);
}

}  // namespace

platform::FakeModuleLoader::Symbols FakeLibrarySymbols() {
    return {
        {"QDLL_CreateCUSBDevice", Address(FakeCreate)},     {"QDLL_DeviceExist", Address(FakeExist)},
        {"QDLL_GetNumberOfDrive", Address(FakeNumber)},     {"QDLL_SetCurrentDriveNumber", Address(FakeSetDrive)},
        {"QDLL_GetDeviceString", Address(FakeDeviceString)}, {"QDLL_GetFwVersion", Address(FakeFwVersion)},
        {"QDLL_GetUpdateFWFile", Address(FakeUpdateFile)},  {"QDLL_GetChipID", Address(FakeChipId)},
        {"QDLL_GetDriveLetter", Address(FakeLetter)},       {"QDLL_GetDeviceAttrib", Address(FakeDeviceAttrib)},
        {"QDLL_GetFlashAttrib", Address(FakeFlashAttrib)},
    };
}

std::span<const platform::ResourceEntry> ConsoleStringTable() {
    static const std::string kTexts =
        "1\t1033\tUpdate\n"
        "2\t1033\tClose\n"
        "5\t1033\tBad Blocks\n"
        "6\t1033\tFast\n"
        "7\t1033\tComplete(Revert)\n"
        "8\t1033\tRepair Option\n"
        "9\t1033\tDevice Information\n"
        "11\t1033\tRepair complete, Please un-plug device\n"
        "12\t1033\tRepair fail\n"
        "13\t1033\tDevice not found, please insert device\n"
        "14\t1033\tAll Data will be deleted. Continue ?\n"
        "16\t1033\tThe Recovery Utility do not support this device.\n"
        "17\t1033\tUser can not use this tool in Windows Vista, please use it in Windows 2000/XP.\n"
        "18\t1033\tPlease re-plug device to finish the job.\n"
        "19\t1033\tDual chanel mode can not be rescued.\n";
    static const platform::ResourceEntry kTable[] = {
        {platform::kStringTableType, 1, 0, reinterpret_cast<const std::uint8_t*>(kTexts.data()), kTexts.size()},
    };
    return kTable;
}

}  // namespace mendora::testing
