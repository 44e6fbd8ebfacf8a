#include "platform/kernel/LanguageChoice.h"

#include <cstdlib>

#include "platform/kernel/Resources.h"

namespace mendora::platform {

std::uint16_t LanguageForLocale(const std::string& locale) {
    auto startsWith = [&](const char* prefix) { return locale.rfind(prefix, 0) == 0; };
    if (startsWith("zh_TW") || startsWith("zh_HK")) return kLangTraditionalChinese;
    if (startsWith("zh_CN") || startsWith("zh_SG")) return kLangSimplifiedChinese;
    return kLangEnglish;
}

std::uint16_t UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return LanguageForLocale(value);
    }
    return kLangEnglish;
}

}  // namespace mendora::platform
