#include "vdrive/SpeedModel.h"

namespace mendora::vdrive {

namespace {

struct Bus {
    double bytesPerMicrosecond;  // sustained bulk rate
    double commandMicros;        // command and status phases of one command
};

// USB 2.0 high speed moves about 40 MB/s of bulk data, USB 3.0 about 400 MB/s.
constexpr Bus kUsb2{40.0, 250.0};
constexpr Bus kUsb3{400.0, 40.0};
// Typical NAND times.
constexpr double kProgramMicros = 250.0;
constexpr double kReadMicros = 25.0;
constexpr double kEraseMicros = 2000.0;

}  // namespace

std::optional<SpeedModel> SpeedModelNamed(const std::string& name) {
    if (name == "none") return SpeedModel::None;
    if (name == "usb2") return SpeedModel::Usb2;
    if (name == "usb3") return SpeedModel::Usb3;
    return std::nullopt;
}

const char* SpeedModelName(SpeedModel model) {
    switch (model) {
        case SpeedModel::Usb2: return "usb2";
        case SpeedModel::Usb3: return "usb3";
        default: return "none";
    }
}

std::chrono::microseconds CommandTime(SpeedModel model, std::size_t dataBytes, const FlashWork& work) {
    if (model != SpeedModel::Usb2 && model != SpeedModel::Usb3) return std::chrono::microseconds(0);
    const Bus& bus = model == SpeedModel::Usb2 ? kUsb2 : kUsb3;
    const double micros = bus.commandMicros + static_cast<double>(dataBytes) / bus.bytesPerMicrosecond +
                          work.programs * kProgramMicros + work.reads * kReadMicros + work.erases * kEraseMicros;
    return std::chrono::microseconds(static_cast<std::int64_t>(micros));
}

}  // namespace mendora::vdrive
