#include <cstdlib>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/Resources.h"

namespace mendora::platform {

std::uint16_t UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return LanguageForLocale(value);
    }
    return kLangEnglish;
}

}  // namespace mendora::platform
