#include "resources/EmbeddedResources.h"

#include <cstdint>

#include "platform/kernel/TableResources.h"

#define MENDORA_EMBEDDED(name) \
    extern "C" const std::uint8_t name##_begin[]; \
    extern "C" const std::uint8_t name##_end[];
MENDORA_EMBEDDED(mendora_qdll_dll)
MENDORA_EMBEDDED(mendora_bootcode_r)
MENDORA_EMBEDDED(mendora_device_ini)
MENDORA_EMBEDDED(mendora_deft70_esp)
MENDORA_EMBEDDED(mendora_rbootcode_r)
MENDORA_EMBEDDED(mendora_strings_tsv)
#undef MENDORA_EMBEDDED

namespace mendora {
namespace {

constexpr const char* kBinaryFile = "BINARYFILE";

platform::ResourceEntry Entry(const char* type, std::uint16_t id, std::uint16_t language,
                              const std::uint8_t* begin, const std::uint8_t* end) {
    return {type, id, language, begin, static_cast<std::size_t>(end - begin)};
}

}  // namespace

std::span<const platform::ResourceEntry> EmbeddedResourceTable() {
    using platform::kLangTraditionalChinese;
    static const platform::ResourceEntry kTable[] = {
        Entry(kBinaryFile, 151, kLangTraditionalChinese, mendora_qdll_dll_begin, mendora_qdll_dll_end),
        Entry(kBinaryFile, 152, kLangTraditionalChinese, mendora_bootcode_r_begin, mendora_bootcode_r_end),
        Entry(kBinaryFile, 153, kLangTraditionalChinese, mendora_device_ini_begin, mendora_device_ini_end),
        Entry(kBinaryFile, 154, kLangTraditionalChinese, mendora_deft70_esp_begin, mendora_deft70_esp_end),
        Entry(kBinaryFile, 156, kLangTraditionalChinese, mendora_rbootcode_r_begin, mendora_rbootcode_r_end),
        Entry(platform::kStringTableType, 1, 0, mendora_strings_tsv_begin, mendora_strings_tsv_end),
    };
    return kTable;
}

}  // namespace mendora
