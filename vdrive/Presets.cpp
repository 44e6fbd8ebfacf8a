#include "vdrive/Presets.h"

#include "protocol/MakerIdentity.h"
#include "protocol/ControllerChips.h"

namespace mendora::vdrive {

namespace {

DriveSetup Qf90() {
    DriveSetup setup;
    setup.identity.chipId = chips::kQf90;
    setup.identity.chipVersion = 0x01;
    setup.identity.firmwareVersion = "Q90110";
    setup.identity.inquiryVendor = std::string(maker::kInquiryVendor);
    setup.identity.inquiryProduct = std::string(maker::kInquiryProduct);
    setup.geometry = Geometry{2, 4, 1024, 128, 8};
    return setup;
}

DriveSetup Qf70() {
    DriveSetup setup = Qf90();
    setup.identity.chipId = chips::kQf70;
    setup.identity.flashId[0] = 0xEC, setup.identity.flashId[1] = 0xD3, setup.identity.flashId[2] = 0x51;
    setup.identity.flashId[3] = 0x95, setup.identity.flashId[4] = 0x58;
    setup.identity.zoneBank = 1;
    setup.identity.firmwareVersion = "Q70105";
    setup.geometry = Geometry{1, 4, 1024, 64, 4};
    return setup;
}

}  // namespace

std::optional<DriveSetup> Preset(const std::string& name) {
    if (name == "qf90") return Qf90();
    if (name == "qf70") return Qf70();
    if (name == "qf70-nofw") {
        DriveSetup setup = Qf70();
        setup.identity.firmwareVersion.reset();
        return setup;
    }
    if (name == "dual-channel") {
        DriveSetup setup = Qf90();
        setup.identity.attribute = chips::kDualChannelAttribute;
        setup.geometry.chipEnables = 4;
        return setup;
    }
    if (name == "unsupported") {
        DriveSetup setup = Qf90();
        setup.identity.chipId = chips::kUnsupported;
        return setup;
    }
    if (name == "vista-refused") {
        DriveSetup setup = Qf90();
        setup.identity.chipId = chips::kSystemBoundChip;
        setup.identity.chipVersion = chips::kSystemBoundVersion;
        return setup;
    }
    return std::nullopt;
}

std::vector<std::string> PresetNames() {
    return {"qf90", "qf70", "qf70-nofw", "dual-channel", "unsupported", "vista-refused"};
}

}  // namespace mendora::vdrive
