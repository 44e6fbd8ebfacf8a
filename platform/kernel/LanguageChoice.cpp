#include "platform/kernel/LanguageChoice.h"

#include "platform/kernel/Resources.h"

namespace mendora::platform {

std::uint16_t LanguageForLocale(const std::string& locale) {
    auto startsWith = [&](const char* prefix) { return locale.rfind(prefix, 0) == 0; };
    if (startsWith("zh_TW") || startsWith("zh_HK")) return kLangTraditionalChinese;
    if (startsWith("zh_CN") || startsWith("zh_SG")) return kLangSimplifiedChinese;
    return kLangEnglish;
}

}  // namespace mendora::platform
