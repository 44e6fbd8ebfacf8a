#include "platform/kernel/win32/WindowsHeader.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// The DataIn field: SCSI_IOCTL_DATA_OUT, _IN and _UNSPECIFIED.
std::uint8_t DataInOf(DataDirection direction) {
    switch (direction) {
        case DataDirection::Out: return 0;
        case DataDirection::In: return 1;
        default: return 2;
    }
}

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// What the driver wrote back into the header: status, sense and the bytes moved.
void ReadBack(const std::uint8_t* record, const ScsiRequest& request, ScsiResult* result) {
    result->scsiStatus = record[1];
    std::size_t senseBytes = std::min<std::size_t>(record[7], request.senseLength);
    result->sense.assign(record + kSenseOffset, record + kSenseOffset + senseBytes);
    result->bytesMoved = std::min<std::size_t>(Get32(record + 12), request.data.size());
}

}  // namespace

std::unique_ptr<DeviceControl> OpenDeviceControl(const std::string& path, std::string* error) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = "cannot open " + path + " (error " + std::to_string(GetLastError()) + ")";
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

ScsiResult Win32ScsiTransport::Execute(const ScsiRequest& request) {
    ScsiResult result;
    if (!IsCarriedCdbLength(request.cdb.size()) || request.senseLength > 32 ||
        (request.direction == DataDirection::None) != request.data.empty()) {
        result.transport = TransportStatus::Os;
        return result;
    }
    RecordFields fields{request.cdb, DataInOf(request.direction), static_cast<std::uint32_t>(request.data.size()),
                        request.timeoutSeconds, request.senseLength};
    std::uint32_t returned = 0, error = 0;
    bool ok;
    if (request.data.size() <= kBufferedDataLimit) {
        auto record = BufferedRecord(fields);
        if (request.direction == DataDirection::Out)
            std::copy(request.data.begin(), request.data.end(), record.begin() + kDataAreaOffset);
        std::uint32_t length = static_cast<std::uint32_t>(request.data.size());
        std::uint32_t input = request.direction == DataDirection::Out ? kDataAreaOffset + length : BufferedInputLength();
        ok = device_->IoControl(kIoctlScsiPassThrough, record.data(), input, record.data(), BufferedOutputLength(length),
                                &returned, &error);
        if (ok) {
            ReadBack(record.data(), request, &result);
            if (request.direction == DataDirection::In)
                std::copy_n(record.begin() + kDataAreaOffset, result.bytesMoved, request.data.begin());
        }
    } else {
        auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(request.data.data()));
        auto record = DirectRecord(fields, address);
        ok = device_->IoControl(kIoctlScsiPassThroughDirect, record.data(), kDirectRecordSize, record.data(),
                                kDirectRecordSize, &returned, &error);
        if (ok) ReadBack(record.data(), request, &result);
    }
    if (!ok) {
        result = {};
        result.transport = StatusOfIoError(error);
    }
    return result;
}

}  // namespace mendora::platform
