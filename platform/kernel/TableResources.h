#pragma once
#include <span>

#include "platform/kernel/Resources.h"
#include "platform/kernel/StringTable.h"

namespace mendora::platform {

// The type under which the string table is stored among the resources (id 1).
inline constexpr const char* kStringTableType = "STRINGTABLE";

// Resources served from a table of entries compiled into the executable.
class TableResources : public Resources {
public:
    TableResources(std::span<const ResourceEntry> entries, std::uint16_t language);

    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint16_t id) override;
    std::string LoadString(std::uint16_t id, std::size_t bufferSize) override;

private:
    std::span<const ResourceEntry> entries_;
    std::uint16_t language_;
    StringTable strings_;
};

}  // namespace mendora::platform
