#include "platform/scsi/DriveIdentity.h"

namespace mendora::platform {

namespace {

// Port paths, serials and image paths never hold a tab.
constexpr char kKeySeparator = '\t';

bool Agree(const std::string& a, const std::string& b) { return a.empty() || b.empty() || a == b; }

}  // namespace

bool DriveIdentity::Matches(const DriveIdentity& other) const {
    return SamePlace(other) && Agree(vendor, other.vendor) && Agree(product, other.product) &&
           Agree(controller, other.controller);
}

std::string DriveIdentity::Key() const { return port + kKeySeparator + serial; }

std::string DriveIdentity::Describe() const {
    std::string text = "port " + port;
    if (!serial.empty()) text += ", serial " + serial;
    return text;
}

DriveIdentity IdentityFromKey(const std::string& key) {
    DriveIdentity identity;
    const std::size_t tab = key.find(kKeySeparator);
    if (tab == std::string::npos || tab == 0) return identity;
    identity.port = key.substr(0, tab);
    identity.serial = key.substr(tab + 1);
    return identity;
}

std::string TrimBlanks(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

}  // namespace mendora::platform
