#pragma once
#include <memory>
#include <string>

namespace mendora::platform {

// What a program that keeps records asks of its host: the machine's name, the standard
// folders for system-wide settings and data, and fresh random identifiers.
class HostFacts {
public:
    virtual ~HostFacts() = default;
    // The machine's name as its network knows it; "unknown" when the host will not say.
    virtual std::string HostName() = 0;
    // Where system-wide settings live: /etc/mendora; %ProgramData%\Mendora on Windows.
    virtual std::string SettingsDirectory() = 0;
    // Where system-wide data lives: /var/lib/mendora for root, else the user's data folder
    // (${XDG_DATA_HOME:-~/.local/share}/mendora); %ProgramData%\Mendora on Windows. Empty when
    // the host has no such place (no home folder).
    virtual std::string DataDirectory() = 0;
    // A random (version 4) UUID in its 36-character text form; empty when the host's random
    // source fails.
    virtual std::string NewUuid() = 0;
};

// The running host's facts.
std::unique_ptr<HostFacts> NativeHostFacts();

// The text form of 16 random bytes as a version 4 UUID (the version and variant bits set).
std::string UuidFromRandomBytes(const unsigned char (&bytes)[16]);

}  // namespace mendora::platform
