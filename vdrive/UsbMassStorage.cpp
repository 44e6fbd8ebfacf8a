#include "vdrive/UsbMassStorage.h"

#include <algorithm>
#include <cstring>

#include "protocol/MakerIdentity.h"

namespace mendora::vdrive::usb {

namespace {

constexpr std::uint32_t kCommandSignature = 0x43425355;  // "USBC"
constexpr std::uint32_t kStatusSignature = 0x53425355;   // "USBS"
constexpr std::size_t kCommandWrapperSize = 31;
constexpr std::size_t kStatusWrapperSize = 13;
constexpr std::uint8_t kStatusPassed = 0;
constexpr std::uint8_t kStatusFailed = 1;
constexpr std::uint8_t kStatusPhaseError = 2;

constexpr std::uint8_t kGetStatus = 0x00;
constexpr std::uint8_t kClearFeature = 0x01;
constexpr std::uint8_t kSetFeature = 0x03;
constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kGetMaxLun = 0xFE;
constexpr std::uint8_t kMassStorageReset = 0xFF;

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string Trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

// A string descriptor: UTF-16LE of the (ASCII) text.
std::vector<std::uint8_t> StringOf(const std::string& text) {
    std::size_t chars = std::min<std::size_t>(text.size(), 126);
    std::vector<std::uint8_t> d{static_cast<std::uint8_t>(2 + 2 * chars), 0x03};
    for (std::size_t i = 0; i < chars; ++i) {
        d.push_back(static_cast<std::uint8_t>(text[i]));
        d.push_back(0);
    }
    return d;
}

// A wrapper a command can come from: no reserved bit set, our one LUN, a command of 1 to
// 16 bytes, and a data phase within what the function carries. (The direction bit means
// nothing when there is no data phase.)
bool Meaningful(std::span<const std::uint8_t> w) {
    const std::uint8_t flags = w[12], lun = w[13], length = w[14];
    return (flags & 0x7F) == 0 && lun == 0 && length >= 1 && length <= 16 && Le32(w.data() + 8) <= kMaxTransferBytes;
}

PacketAnswer Answer(std::vector<std::uint8_t> data = {}) { return {PacketStatus::Done, std::move(data)}; }
PacketAnswer Stall() { return {PacketStatus::Stall, {}}; }
PacketAnswer Hold() { return {PacketStatus::Hold, {}}; }

}  // namespace

MassStorageFunction::MassStorageFunction(std::string serial, Execute execute)
    : serial_(std::move(serial)), execute_(std::move(execute)) {}

std::vector<std::uint8_t> MassStorageFunction::DeviceDescriptor() const {
    return {18, 0x01, 0x00, 0x02, 0, 0, 0, kControlMaxPacket,
            static_cast<std::uint8_t>(maker::kUsbVendorId), static_cast<std::uint8_t>(maker::kUsbVendorId >> 8),
            static_cast<std::uint8_t>(maker::kUsbProductId), static_cast<std::uint8_t>(maker::kUsbProductId >> 8),
            static_cast<std::uint8_t>(kDeviceRelease), static_cast<std::uint8_t>(kDeviceRelease >> 8), 1, 2, 3, 1};
}

std::vector<std::uint8_t> MassStorageFunction::ConfigurationDescriptor() const {
    constexpr std::uint8_t lo = kBulkMaxPacket & 0xFF, hi = kBulkMaxPacket >> 8;
    return {9, 0x02, 32, 0, 1, 1, 0, 0x80, 50,                                            // bus powered, 100 mA
            9, 0x04, 0, 0, 2, kInterfaceClass, kInterfaceSubclass, kInterfaceProtocol, 0,  // one interface
            7, 0x05, kBulkInEndpoint, 0x02, lo, hi, 0,
            7, 0x05, kBulkOutEndpoint, 0x02, lo, hi, 0};
}

std::optional<std::vector<std::uint8_t>> MassStorageFunction::StringDescriptor(std::uint8_t index) const {
    switch (index) {
        case 0: return std::vector<std::uint8_t>{4, 0x03, 0x09, 0x04};  // US English
        case 1: return StringOf(Trimmed(maker::kInquiryVendor));
        case 2: return StringOf(Trimmed(maker::kInquiryProduct));
        case 3: return StringOf(serial_);
        default: return std::nullopt;
    }
}

PacketAnswer MassStorageFunction::Control(const SetupPacket& setup, std::span<const std::uint8_t>) {
    auto fit = [&](std::vector<std::uint8_t> d) {
        if (d.size() > setup.length) d.resize(setup.length);
        return Answer(std::move(d));
    };
    const std::uint8_t type = setup.requestType;
    if (type == 0x80 && setup.request == kGetDescriptor) {
        switch (setup.value >> 8) {
            case 1: return fit(DeviceDescriptor());
            case 2: return fit(ConfigurationDescriptor());
            case 3:
                if (auto s = StringDescriptor(static_cast<std::uint8_t>(setup.value))) return fit(*s);
                return Stall();
            default: return Stall();
        }
    }
    if ((type & 0xE0) == 0x80 && setup.request == kGetStatus) return fit({0, 0});
    if ((type & 0xE0) == 0x00 && (setup.request == kClearFeature || setup.request == kSetFeature)) return Answer();
    if (type == 0xA1 && setup.request == kGetMaxLun && setup.index == 0) return fit({0});
    if (type == 0x21 && setup.request == kMassStorageReset && setup.index == 0) {
        Reset();
        return Answer();
    }
    return Stall();
}

void MassStorageFunction::Reset() {
    phase_ = Phase::Command;
    stalled_ = false;
    gone_ = false;
    buffer_.clear();
    done_ = available_ = 0;
}

void MassStorageFunction::StartCommand(std::span<const std::uint8_t> w) {
    if (w.size() != kCommandWrapperSize || Le32(w.data()) != kCommandSignature) {
        // Not a command wrapper: both pipes stay halted until the host resets the function.
        phase_ = Phase::Halted;
        return;
    }
    tag_ = Le32(w.data() + 4);
    expected_ = Le32(w.data() + 8);
    dataIn_ = (w[12] & 0x80) != 0;
    buffer_.clear();
    done_ = available_ = 0;
    csStatus_ = kStatusPassed;
    residue_ = 0;
    if (!Meaningful(w)) {
        // Nothing reaches the drive and nothing is held for the data phase: it moves no
        // data and the status reports a phase error, after which the host resets the function.
        csStatus_ = kStatusPhaseError;
        residue_ = expected_;
        phase_ = expected_ == 0 ? Phase::Status : dataIn_ ? Phase::DataIn : Phase::DataOut;
        return;
    }
    cdb_.assign(w.data() + 15, w.data() + 15 + w[14]);
    buffer_.assign(expected_, 0);
    if (expected_ > 0 && !dataIn_) {
        phase_ = Phase::DataOut;
        return;
    }
    Carry();
    if (!gone_) phase_ = expected_ > 0 ? Phase::DataIn : Phase::Status;
}

void MassStorageFunction::Carry() {
    Direction direction = expected_ == 0 ? Direction::None : dataIn_ ? Direction::In : Direction::Out;
    Command command{cdb_, direction, direction == Direction::None ? std::span<std::uint8_t>() : std::span(buffer_), 0};
    Reply reply = execute_(command);
    switch (reply.error) {
        case TransportError::None:
            csStatus_ = reply.status == kStatusGood ? kStatusPassed : kStatusFailed;
            available_ = dataIn_ ? std::min<std::size_t>(reply.moved, expected_) : 0;
            residue_ = static_cast<std::uint32_t>(expected_ - std::min<std::size_t>(reply.moved, expected_));
            break;
        case TransportError::NoDevice:
            gone_ = true;
            phase_ = Phase::Command;
            break;
        case TransportError::Timeout:
            stalled_ = true;
            break;
        case TransportError::Failed:
            // The controller dropped the command: a phase error makes the host reset it.
            csStatus_ = kStatusPhaseError;
            available_ = 0;
            residue_ = expected_;
            break;
    }
}

std::vector<std::uint8_t> MassStorageFunction::StatusWrapper() const {
    std::vector<std::uint8_t> w(kStatusWrapperSize, 0);
    PutLe32(&w[0], kStatusSignature);
    PutLe32(&w[4], tag_);
    PutLe32(&w[8], residue_);
    w[12] = csStatus_;
    return w;
}

PacketAnswer MassStorageFunction::BulkOut(std::span<const std::uint8_t> data) {
    if (stalled_) return Hold();
    switch (phase_) {
        case Phase::Command:
            StartCommand(data);
            return phase_ == Phase::Halted ? Stall() : Answer();
        case Phase::DataOut: {
            if (csStatus_ == kStatusPhaseError) {
                // Nothing to take the data for: the pipe stalls, the host clears it and
                // reads the status.
                phase_ = Phase::Status;
                return Stall();
            }
            std::size_t take = std::min<std::size_t>(data.size(), expected_ - done_);
            std::copy_n(data.begin(), take, buffer_.begin() + static_cast<std::ptrdiff_t>(done_));
            done_ += take;
            if (done_ < expected_) return Answer();
            Carry();
            if (!gone_) phase_ = Phase::Status;
            return Answer();
        }
        default: return Stall();
    }
}

PacketAnswer MassStorageFunction::BulkIn(std::size_t length) {
    if (stalled_) return Hold();
    switch (phase_) {
        case Phase::DataIn: {
            std::size_t n = std::min(length, available_ - std::min(done_, available_));
            std::vector<std::uint8_t> data(buffer_.begin() + static_cast<std::ptrdiff_t>(done_),
                                           buffer_.begin() + static_cast<std::ptrdiff_t>(done_ + n));
            done_ += n;
            // A short packet, or the whole announced length, ends the data phase.
            if (n < length || done_ >= expected_) phase_ = Phase::Status;
            return Answer(std::move(data));
        }
        case Phase::Status:
            phase_ = Phase::Command;
            return Answer(StatusWrapper());
        default: return Stall();
    }
}

}  // namespace mendora::vdrive::usb
