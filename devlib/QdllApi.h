#pragma once
#include <cstdint>

// The entry points of the device library module "QDLL.dll", with C linkage. Every entry
// point but QDLL_CreateCUSBDevice takes the device handle first. Outputs are written at
// the widths given; an entry point that cannot answer leaves them as they were.
extern "C" {

typedef std::uint32_t QdllHandle;

// A new device object; the handle is never released.
QdllHandle QDLL_CreateCUSBDevice(void);
// Nonzero when a drive of the maker is attached.
int QDLL_DeviceExist(QdllHandle device);
int QDLL_GetNumberOfDrive(QdllHandle device);
int QDLL_SetCurrentDriveNumber(QdllHandle device, int drive);
// Description text: maker, model and capacity, zero-terminated within 256 bytes.
int QDLL_GetDeviceString(QdllHandle device, char* text256);
// Version text within 32 bytes; "FFFFFF" for a drive without firmware.
int QDLL_GetFwVersion(QdllHandle device, char* version32);
// Path of the update firmware image for a device selection code (QF70 0, BCD 1, FP 2, QF40 3).
int QDLL_GetUpdateFWFile(QdllHandle device, char* path512, std::uint8_t selectionCode);
int QDLL_GetChipID(QdllHandle device, std::uint16_t* chipId, std::uint16_t* chipVersion);
int QDLL_GetDriveLetter(QdllHandle device, int which, char* letter);
int QDLL_GetDeviceAttrib(QdllHandle device, std::uint8_t* flashId5, std::uint8_t* model, std::uint8_t* attribute,
                         std::uint8_t* zoneBank, std::uint8_t* chipCount);
// maxSectors: pages per block; maxLogSectors: sectors per block; maxBlocks: blocks per zone.
int QDLL_GetFlashAttrib(QdllHandle device, std::uint16_t* maxSectors, std::uint16_t* maxLogSectors,
                        std::uint16_t* maxBlocks, std::uint16_t* maxZones, std::uint8_t* a1Version,
                        std::uint8_t* redundantSymbol);
// Percent done of the repair under way; answerable from any thread at any time.
int QDLL_GetCurrentProgress(QdllHandle device);
// Low byte 0xFF once a started repair has ended; answerable from any thread at any time.
int QDLL_GetCurrentState(QdllHandle device);
// The library phase of a repair; returns when done. flags: bits 0-4 selection code,
// bit 5 forced update, bit 6 complete repair, bit 7 write the update firmware.
int QDLL_RunRepairDevice(QdllHandle device, std::uint8_t flags);
int QDLL_GetBADBlockInfomation(QdllHandle device, std::uint32_t* bad, std::uint32_t* total,
                               std::uint16_t* divisor);
// kQdllRepairFailed when the last repair failed; anything else: success.
std::uint32_t QDLL_GetErrorCode(QdllHandle device);

}  // extern "C"

inline constexpr std::uint32_t kQdllRepairFailed = 0xFFFF0000u;
inline constexpr int kQdllStateFinished = 0xFF;
