#pragma once
// A stand-in for the pass-through driver behind DeviceIoControl, for tests. It reads and
// answers the records through the SDK's SCSI_PASS_THROUGH(_DIRECT) structs, as the driver
// does, so a record laid out at other offsets than the SDK's shows up.
#include <cstdint>
#include <vector>

#include "platform/scsi/win32/Win32Scsi.h"

namespace mendora::platform {

class StandInDriver : public DeviceControl {
public:
    // One call as the driver saw it.
    struct Call {
        std::uint32_t code = 0;
        std::vector<std::uint8_t> input;  // the input buffer as handed over
        std::uint32_t outputLength = 0;
        // The header's fields.
        std::uint16_t length = 0;
        std::uint8_t pathId = 0, targetId = 0, lun = 0, cdbLength = 0, senseInfoLength = 0, dataIn = 0;
        std::uint32_t dataTransferLength = 0, timeOutValue = 0, senseInfoOffset = 0;
        std::uintptr_t dataBuffer = 0;  // DataBufferOffset, or the DataBuffer address
        std::vector<std::uint8_t> cdb;  // CdbLength bytes
        std::vector<std::uint8_t> dataOut;  // the data sent to the device
    };

    bool IoControl(std::uint32_t code, void* input, std::uint32_t inputLength, void* output,
                   std::uint32_t outputLength, std::uint32_t* returned, std::uint32_t* error) override;

    // How it answers a well-formed record: a failed call with this error when nonzero; else
    // this SCSI status and sense, and at most moveBytes of data (in: bytes A0, A1, A2, ...).
    std::uint32_t failWith = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> sense;
    std::uint32_t moveBytes = 0xFFFFFFFF;

    std::vector<Call> calls;
};

}  // namespace mendora::platform
