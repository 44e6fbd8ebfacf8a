#include "platform/kernel/win32/WindowsHeader.h"

#include <ntddscsi.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "platform/kernel/win32/Win32Text.h"
#include "platform/scsi/NativeScsi.h"
#include "platform/scsi/PassThroughRecord.h"
#include "platform/scsi/win32/Win32Scsi.h"

namespace mendora::platform {
namespace {

class HandleControl : public DeviceControl {
public:
    explicit HandleControl(HANDLE handle) : handle_(handle) {}
    ~HandleControl() override { CloseHandle(handle_); }
    bool IoControl(std::uint32_t code, void* input, std::uint32_t inputLength, void* output,
                   std::uint32_t outputLength, std::uint32_t* returned, std::uint32_t* error) override {
        DWORD n = 0;
        BOOL ok = DeviceIoControl(handle_, code, input, inputLength, output, outputLength, &n, nullptr);
        *returned = n;
        *error = ok ? 0 : GetLastError();
        return ok != FALSE;
    }

private:
    HANDLE handle_;
};

// The records are built as bytes; the SDK's structs hold them to the driver's layout.
template <typename Header>
struct LaidOutAsTheSdk {
    static_assert(sizeof(Header) == kHeaderSize);
    static_assert(offsetof(Header, Length) == header::kLength && sizeof(Header::Length) == 2);
    static_assert(offsetof(Header, ScsiStatus) == header::kScsiStatus);
    static_assert(offsetof(Header, PathId) == header::kPathId);
    static_assert(offsetof(Header, TargetId) == header::kTargetId);
    static_assert(offsetof(Header, Lun) == header::kLun);
    static_assert(offsetof(Header, CdbLength) == header::kCdbLength);
    static_assert(offsetof(Header, SenseInfoLength) == header::kSenseInfoLength);
    static_assert(offsetof(Header, DataIn) == header::kDataIn);
    static_assert(offsetof(Header, DataTransferLength) == header::kDataTransferLength &&
                  sizeof(Header::DataTransferLength) == 4);
    static_assert(offsetof(Header, TimeOutValue) == header::kTimeOutValue && sizeof(Header::TimeOutValue) == 4);
    static_assert(offsetof(Header, SenseInfoOffset) == header::kSenseInfoOffset &&
                  sizeof(Header::SenseInfoOffset) == 4);
    static_assert(offsetof(Header, Cdb) == header::kCdb && sizeof(Header::Cdb) == header::kCdbSize);
};
template struct LaidOutAsTheSdk<SCSI_PASS_THROUGH>;
template struct LaidOutAsTheSdk<SCSI_PASS_THROUGH_DIRECT>;
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == header::kDataBuffer &&
              sizeof(SCSI_PASS_THROUGH::DataBufferOffset) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == header::kDataBuffer &&
              sizeof(SCSI_PASS_THROUGH_DIRECT::DataBuffer) == 4);
static_assert(IOCTL_SCSI_PASS_THROUGH == kIoctlScsiPassThrough);
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == kIoctlScsiPassThroughDirect);
static_assert(SCSI_IOCTL_DATA_OUT == kScsiIoctlDataOut && SCSI_IOCTL_DATA_IN == kScsiIoctlDataIn &&
              SCSI_IOCTL_DATA_UNSPECIFIED == kScsiIoctlDataUnspecified);

// Not in the mingw-w64 headers.
constexpr std::uint32_t kErrorNoSuchDevice = 433;

std::uint8_t DataInOf(DataDirection direction) {
    switch (direction) {
        case DataDirection::Out: return kScsiIoctlDataOut;
        case DataDirection::In: return kScsiIoctlDataIn;
        default: return kScsiIoctlDataUnspecified;
    }
}

// The record the command names, or for a command that names none: the buffered record for
// data that fits its area, the direct record for more.
RecordChoice ChoiceOf(const ScsiRequest& request) {
    if (request.record) return *request.record;
    RecordKind kind = request.data.size() <= kDataAreaSize ? RecordKind::Buffered : RecordKind::Direct;
    return {kind, DataInOf(request.direction)};
}

// A request the driver can be handed: a carried CDB, sense that fits the record, data that
// fits the buffered area, and a DataIn that moves data the way the caller's buffer allows.
bool IsSendable(const ScsiRequest& request, RecordChoice choice) {
    if (!IsCarriedCdbLength(request.cdb.size()) || request.senseLength > kSenseCapacity ||
        (request.direction == DataDirection::None) != request.data.empty())
        return false;
    if (choice.kind == RecordKind::Buffered && request.data.size() > kDataAreaSize) return false;
    if (request.direction == DataDirection::None) return choice.dataIn <= kScsiIoctlDataUnspecified;
    return choice.dataIn == DataInOf(request.direction);
}

ScsiResult Failed(TransportStatus status) {
    ScsiResult result;
    result.transport = status;
    return result;
}

// What the driver wrote back into the record: status, sense and the bytes moved.
ScsiResult ReadBack(const std::uint8_t* record, const ScsiRequest& request) {
    RecordAnswer answer = AnswerOf(std::span<const std::uint8_t, kHeaderSize>(record, kHeaderSize));
    ScsiResult result;
    result.scsiStatus = answer.scsiStatus;
    std::size_t senseBytes = std::min<std::size_t>(answer.senseLength, request.senseLength);
    result.sense.assign(record + kSenseOffset, record + kSenseOffset + senseBytes);
    result.bytesMoved = std::min<std::size_t>(answer.dataTransferLength, request.data.size());
    return result;
}

}  // namespace

std::unique_ptr<DeviceControl> OpenDeviceControl(const std::string& path, std::string* error) {
    HANDLE handle = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = OpenFailure(path, GetLastError());
        return nullptr;
    }
    return std::make_unique<HandleControl>(handle);
}

std::unique_ptr<ScsiTransport> OpenDeviceTransport(const std::string& source, const DriveIdentity&, UsbDiskFinder&, Clock&,
                                                   std::string* error) {
    auto device = OpenDeviceControl(source, error);
    return device ? std::make_unique<Win32ScsiTransport>(std::move(device)) : nullptr;
}

TransportStatus StatusOfIoError(std::uint32_t error) {
    switch (error) {
        case ERROR_SEM_TIMEOUT:
        case ERROR_TIMEOUT: return TransportStatus::Timeout;
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
        case kErrorNoSuchDevice:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_READY: return TransportStatus::NoDevice;
        case ERROR_IO_DEVICE:
        case ERROR_CRC:
        case ERROR_GEN_FAILURE:
        case ERROR_ADAP_HDW_ERR: return TransportStatus::Transport;
        default: return TransportStatus::Os;
    }
}

std::string OpenFailure(const std::string& path, std::uint32_t error) {
    std::string text = "cannot open " + path + " (error " + std::to_string(error) + ")";
    return StatusOfIoError(error) == TransportStatus::NoDevice ? text + ": the drive is gone" : text;
}

ScsiResult Win32ScsiTransport::Execute(const ScsiRequest& request) {
    RecordChoice choice = ChoiceOf(request);
    if (!IsSendable(request, choice)) return Failed(TransportStatus::Os);
    RecordFields fields{request.cdb, choice.dataIn, static_cast<std::uint32_t>(request.data.size()),
                        request.timeoutSeconds, request.senseLength};
    return choice.kind == RecordKind::Buffered ? SendBuffered(request, fields) : SendDirect(request, fields);
}

// The data travels in the record's own area: copied in for data out, out for data in.
ScsiResult Win32ScsiTransport::SendBuffered(const ScsiRequest& request, const RecordFields& fields) {
    auto record = BufferedRecord(fields);
    auto length = static_cast<std::uint32_t>(request.data.size());
    bool out = request.direction == DataDirection::Out;
    if (out) std::copy(request.data.begin(), request.data.end(), record.begin() + kDataAreaOffset);
    std::uint32_t input = out ? kDataAreaOffset + length : BufferedInputLength();
    std::uint32_t returned = 0, error = 0;
    if (!device_->IoControl(kIoctlScsiPassThrough, record.data(), input, record.data(), BufferedOutputLength(length),
                            &returned, &error))
        return Failed(StatusOfIoError(error));
    ScsiResult result = ReadBack(record.data(), request);
    if (request.direction == DataDirection::In)
        std::copy_n(record.begin() + kDataAreaOffset, result.bytesMoved, request.data.begin());
    return result;
}

// The record points at the caller's buffer, which the driver reads or fills itself.
ScsiResult Win32ScsiTransport::SendDirect(const ScsiRequest& request, const RecordFields& fields) {
    auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(request.data.data()));
    auto record = DirectRecord(fields, address);
    std::uint32_t returned = 0, error = 0;
    if (!device_->IoControl(kIoctlScsiPassThroughDirect, record.data(), kDirectRecordSize, record.data(),
                            kDirectRecordSize, &returned, &error))
        return Failed(StatusOfIoError(error));
    return ReadBack(record.data(), request);
}

}  // namespace mendora::platform
