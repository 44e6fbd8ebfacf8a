#pragma once
#include "platform/kernel/Profile.h"

namespace mendora::platform {

// Settings files parsed with inih on every call (the files are small and read rarely).
class InihProfileReader : public ProfileReader {
public:
    std::vector<std::string> SectionNames(const std::string& path, std::size_t bufferSize) override;
    std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& fallback, std::size_t bufferSize) override;
    int GetInt(const std::string& path, const std::string& section, const std::string& key, int fallback) override;
};

}  // namespace mendora::platform
