#pragma once
#include <string>

namespace mendora::platform {

// What a drive is, as opposed to where it shows up in a list: the port it is plugged into
// (Linux: the sysfs USB port path such as "1-2.3"; Windows: the USB parent's location; a
// virtual drive: its image's canonical path), its USB serial number, its INQUIRY vendor and
// product, and, once asked, the controller's identification answer.
struct DriveIdentity {
    std::string port;
    std::string serial;      // empty when the device has none
    std::string vendor;      // INQUIRY texts, trailing blanks removed; empty when unknown
    std::string product;
    std::string controller;  // the identification answer as text; empty until asked

    // The same physical drive: the same port and serial.
    bool SamePlace(const DriveIdentity& other) const { return port == other.port && serial == other.serial; }
    // The same drive as far as both know it: same place, and every text both have agrees.
    bool Matches(const DriveIdentity& other) const;
    // A stable text for locks and for handing the identity to another process.
    std::string Key() const;
    // "port 1-2.3, serial ABC" for messages.
    std::string Describe() const;
};

// Parses Key(); empty port when the text is no key.
DriveIdentity IdentityFromKey(const std::string& key);

// INQUIRY text without its padding.
std::string TrimBlanks(std::string text);

}  // namespace mendora::platform
