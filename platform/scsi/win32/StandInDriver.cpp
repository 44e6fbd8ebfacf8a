#include "platform/scsi/win32/StandInDriver.h"

#include "platform/kernel/win32/WindowsHeader.h"

#include <ntddscsi.h>

#include <algorithm>
#include <cstring>

namespace mendora::platform {
namespace {

// Where the data phase sits: in the system buffer at the record's offset, or at the
// caller's address.
std::uint8_t* DataOf(SCSI_PASS_THROUGH& h, std::vector<std::uint8_t>& system) {
    return system.data() + h.DataBufferOffset;
}
std::uint8_t* DataOf(SCSI_PASS_THROUGH_DIRECT& h, std::vector<std::uint8_t>&) {
    return static_cast<std::uint8_t*>(h.DataBuffer);
}

// The data of a buffered record lies within what was handed in (out) or handed back (in).
bool DataFits(const SCSI_PASS_THROUGH& h, std::uint32_t inputLength, std::uint32_t outputLength) {
    if (h.DataTransferLength == 0) return true;
    std::uint64_t room = h.DataIn == SCSI_IOCTL_DATA_IN ? outputLength : inputLength;
    return h.DataBufferOffset >= sizeof(h) && std::uint64_t{h.DataBufferOffset} + h.DataTransferLength <= room;
}
bool DataFits(const SCSI_PASS_THROUGH_DIRECT& h, std::uint32_t, std::uint32_t) {
    return h.DataTransferLength == 0 || h.DataBuffer != nullptr;
}

// What the driver checks before it sends anything: ERROR_INVALID_PARAMETER otherwise.
template <typename Header>
bool WellFormed(const Header& h, std::uint32_t inputLength, std::uint32_t outputLength) {
    if (h.Length != sizeof(Header) || h.CdbLength == 0 || h.CdbLength > sizeof(h.Cdb) ||
        h.DataIn > SCSI_IOCTL_DATA_UNSPECIFIED || outputLength < sizeof(Header))
        return false;
    if (h.SenseInfoLength > 0 &&
        (h.SenseInfoOffset < sizeof(Header) || std::uint64_t{h.SenseInfoOffset} + h.SenseInfoLength > outputLength))
        return false;
    return DataFits(h, inputLength, outputLength);
}

std::uintptr_t BufferField(const SCSI_PASS_THROUGH& h) { return h.DataBufferOffset; }
std::uintptr_t BufferField(const SCSI_PASS_THROUGH_DIRECT& h) { return reinterpret_cast<std::uintptr_t>(h.DataBuffer); }

template <typename Header>
void Note(const Header& h, StandInDriver::Call& c) {
    c.length = h.Length;
    c.pathId = h.PathId, c.targetId = h.TargetId, c.lun = h.Lun;
    c.cdbLength = h.CdbLength, c.senseInfoLength = h.SenseInfoLength, c.dataIn = h.DataIn;
    c.dataTransferLength = h.DataTransferLength, c.timeOutValue = h.TimeOutValue;
    c.senseInfoOffset = h.SenseInfoOffset;
    c.dataBuffer = BufferField(h);
    c.cdb.assign(h.Cdb, h.Cdb + std::min<std::size_t>(h.CdbLength, sizeof(h.Cdb)));
}

// Plays the driver on the system buffer of a METHOD_BUFFERED call: the input copied in, the
// header, sense and (buffered) data written there, outputLength bytes copied back.
template <typename Header>
bool Answer(const StandInDriver& d, StandInDriver::Call& call, std::vector<std::uint8_t>& system,
            std::uint32_t inputLength, std::uint32_t outputLength, std::uint32_t* error) {
    Header h;
    std::memcpy(&h, system.data(), sizeof h);
    Note(h, call);
    if (!WellFormed(h, inputLength, outputLength)) {
        *error = ERROR_INVALID_PARAMETER;
        return false;
    }
    if (d.failWith != 0) {
        *error = d.failWith;
        return false;
    }
    std::uint32_t moved = std::min<std::uint32_t>(d.moveBytes, h.DataTransferLength);
    std::uint8_t* data = DataOf(h, system);
    if (h.DataIn == SCSI_IOCTL_DATA_IN)
        for (std::uint32_t i = 0; i < moved; ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);
    if (h.DataIn == SCSI_IOCTL_DATA_OUT) call.dataOut.assign(data, data + moved);
    std::size_t senseBytes = std::min<std::size_t>(d.sense.size(), h.SenseInfoLength);
    std::copy_n(d.sense.begin(), senseBytes, system.data() + h.SenseInfoOffset);
    h.ScsiStatus = d.status;
    h.SenseInfoLength = static_cast<UCHAR>(senseBytes);
    h.DataTransferLength = moved;
    std::memcpy(system.data(), &h, sizeof h);
    return true;
}

}  // namespace

bool StandInDriver::IoControl(std::uint32_t code, void* input, std::uint32_t inputLength, void* output,
                              std::uint32_t outputLength, std::uint32_t* returned, std::uint32_t* error) {
    *returned = 0;
    *error = ERROR_INVALID_PARAMETER;
    auto* in = static_cast<const std::uint8_t*>(input);
    Call& call = calls.emplace_back();
    call.code = code;
    if (in != nullptr) call.input.assign(in, in + inputLength);
    call.outputLength = outputLength;
    bool buffered = code == IOCTL_SCSI_PASS_THROUGH, direct = code == IOCTL_SCSI_PASS_THROUGH_DIRECT;
    std::size_t headerSize = buffered ? sizeof(SCSI_PASS_THROUGH) : sizeof(SCSI_PASS_THROUGH_DIRECT);
    if (!(buffered || direct) || input == nullptr || output == nullptr || inputLength < headerSize) return false;
    std::vector<std::uint8_t> system(std::max(inputLength, outputLength));
    std::copy_n(in, inputLength, system.begin());
    bool ok = buffered ? Answer<SCSI_PASS_THROUGH>(*this, call, system, inputLength, outputLength, error)
                       : Answer<SCSI_PASS_THROUGH_DIRECT>(*this, call, system, inputLength, outputLength, error);
    if (!ok) return false;
    std::copy_n(system.begin(), outputLength, static_cast<std::uint8_t*>(output));
    *returned = outputLength;
    *error = 0;
    return true;
}

}  // namespace mendora::platform
