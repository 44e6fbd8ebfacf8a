#include "platform/kernel/win32/WindowsHeader.h"

#include <cstdlib>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
std::string CutToBytes(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

// One string of a string-table block: the blocks hold 16 strings each, counted UTF-16.
std::optional<std::string> StringOfBlock(std::uint16_t id, std::uint16_t language) {
    auto block = ModuleResource("#6", static_cast<std::uint16_t>(id / 16 + 1), language);
    if (!block) return std::nullopt;
    const auto* words = reinterpret_cast<const wchar_t*>(block->data());
    std::size_t count = block->size() / sizeof(wchar_t);
    std::size_t at = 0;
    for (unsigned i = 0; i < id % 16; ++i) {
        if (at >= count) return std::nullopt;
        at += 1 + words[at];
    }
    if (at >= count || words[at] == 0 || at + 1 + words[at] > count) return std::nullopt;
    return win32::Narrow(words + at + 1, words[at]);
}

LPCSTR TypeName(std::string_view type, std::string& storage) {
    // "#6" names a numbered type (RT_STRING), anything else a named one.
    if (type.size() > 1 && type[0] == '#') return MAKEINTRESOURCEA(std::stoi(std::string(type.substr(1))));
    storage = type;
    return storage.c_str();
}

}  // namespace

std::optional<std::span<const std::uint8_t>> ModuleResource(std::string_view type, std::uint16_t id,
                                                             std::uint16_t language) {
    std::string storage;
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(self, TypeName(type, storage), MAKEINTRESOURCEA(id), language);
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(self, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), SizeofResource(self, found));
}

std::optional<std::span<const std::uint8_t>> Win32Resources::Find(std::string_view type, std::uint16_t id) {
    std::string storage;
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), TypeName(type, storage));
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(self, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), SizeofResource(self, found));
}

// What LoadString does, in the language chosen at start rather than the thread's: the
// string-table block of the id in that language, else in English.
std::string Win32Resources::LoadString(std::uint16_t id, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    auto text = StringOfBlock(id, language_);
    if (!text && language_ != kLangEnglish) text = StringOfBlock(id, kLangEnglish);
    return text ? CutToBytes(*text, bufferSize - 1) : std::string();
}

// A locale in the environment first (as on other hosts), else the user's interface
// language: Traditional Chinese for Taiwan, Hong Kong and Macao, Simplified for China and
// Singapore, else English.
std::uint16_t UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return LanguageForLocale(value);
    }
    LANGID ui = GetUserDefaultUILanguage();
    if (PRIMARYLANGID(ui) != LANG_CHINESE) return kLangEnglish;
    switch (SUBLANGID(ui)) {
        case SUBLANG_CHINESE_SIMPLIFIED:
        case SUBLANG_CHINESE_SINGAPORE: return kLangSimplifiedChinese;
        default: return kLangTraditionalChinese;
    }
}

}  // namespace mendora::platform
