#include "vdrive/Presets.h"

#include "vdrive/MakerIdentity.h"

namespace mendora::vdrive {

namespace {

DriveSpec Qf90() {
    DriveSpec spec;
    spec.identity.chipId = 0x0090;
    spec.identity.chipVersion = 0x01;
    spec.identity.firmwareVersion = "Q90110";
    spec.identity.inquiryVendor = std::string(maker::kInquiryVendor);
    spec.identity.inquiryProduct = std::string(maker::kInquiryProduct);
    spec.geometry = Geometry{2, 4, 1024, 128, 8};
    return spec;
}

DriveSpec Qf70() {
    DriveSpec spec = Qf90();
    spec.identity.chipId = 0x0070;
    spec.identity.flashId[0] = 0xEC, spec.identity.flashId[1] = 0xD3, spec.identity.flashId[2] = 0x51;
    spec.identity.flashId[3] = 0x95, spec.identity.flashId[4] = 0x58;
    spec.identity.zoneBank = 1;
    spec.identity.firmwareVersion = "Q70105";
    spec.geometry = Geometry{1, 4, 1024, 64, 4};
    return spec;
}

}  // namespace

std::optional<DriveSpec> Preset(const std::string& name) {
    if (name == "qf90") return Qf90();
    if (name == "qf70") return Qf70();
    if (name == "qf70-nofw") {
        DriveSpec spec = Qf70();
        spec.identity.firmwareVersion.reset();
        return spec;
    }
    if (name == "dual-channel") {
        DriveSpec spec = Qf90();
        spec.identity.attribute = 0x20;
        spec.geometry.chipEnables = 4;
        return spec;
    }
    if (name == "unsupported") {
        DriveSpec spec = Qf90();
        spec.identity.chipId = 0x0080;
        return spec;
    }
    if (name == "vista-refused") {
        DriveSpec spec = Qf90();
        spec.identity.chipId = 0x0050;
        spec.identity.chipVersion = 0x11;
        return spec;
    }
    return std::nullopt;
}

std::vector<std::string> PresetNames() {
    return {"qf90", "qf70", "qf70-nofw", "dual-channel", "unsupported", "vista-refused"};
}

}  // namespace mendora::vdrive
