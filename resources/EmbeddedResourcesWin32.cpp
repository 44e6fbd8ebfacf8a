// On Windows the embedded files are real resources of the executable; the table other
// hosts compile in is read from them, so that both views hold the same bytes.
#include <vector>

#include "platform/kernel/TableResources.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "resources/EmbeddedResources.h"

namespace mendora {

std::span<const platform::ResourceEntry> EmbeddedResourceTable() {
    static const std::vector<platform::ResourceEntry> table = [] {
        std::vector<platform::ResourceEntry> entries;
        for (std::uint16_t id : {151, 152, 153, 154, 156}) {
            if (auto bytes = platform::ModuleResource("BINARYFILE", id, platform::kLangTraditionalChinese))
                entries.push_back({"BINARYFILE", id, platform::kLangTraditionalChinese, bytes->data(), bytes->size()});
        }
        if (auto text = platform::ModuleResource("MENDORASTRINGS", 1, 0))
            entries.push_back({platform::kStringTableType, 1, 0, text->data(), text->size()});
        return entries;
    }();
    return table;
}

}  // namespace mendora
