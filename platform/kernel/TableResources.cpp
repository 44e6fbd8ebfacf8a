#include "platform/kernel/TableResources.h"

namespace mendora::platform {
namespace {

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
std::string CutToBytes(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

}  // namespace

TableResources::TableResources(std::span<const ResourceEntry> entries, std::uint16_t language)
    : entries_(entries), language_(language) {
    if (auto table = Find(kStringTableType, 1)) {
        strings_ = StringTable::Parse(std::string_view(
            reinterpret_cast<const char*>(table->data()), table->size()));
    }
}

std::optional<std::span<const std::uint8_t>> TableResources::Find(std::string_view type,
                                                                  std::uint16_t id) {
    for (const ResourceEntry& entry : entries_) {
        if (entry.id == id && type == entry.type) {
            return std::span<const std::uint8_t>(entry.data, entry.size);
        }
    }
    return std::nullopt;
}

std::string TableResources::LoadString(std::uint16_t id, std::size_t bufferSize) {
    const std::string* text = strings_.Find(id, language_);
    if (text == nullptr || bufferSize == 0) return {};
    return CutToBytes(*text, bufferSize - 1);
}

}  // namespace mendora::platform
