#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mendora::platform {

// The operating system's version record.
struct OsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;   // 1: the 9x family, 2: NT
    std::string servicePack;        // e.g. " A" for a second edition
};

enum class VersionRecord { Extended, Basic };

class VersionQuery {
public:
    virtual ~VersionQuery() = default;
    virtual std::optional<OsVersion> Query(VersionRecord record) = 0;
};

}  // namespace mendora::platform
