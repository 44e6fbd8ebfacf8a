#include "platform/kernel/win32/WindowsHeader.h"

#include <cstdlib>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/kernel/win32/Win32Text.h"

namespace mendora::platform {
namespace {

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

LPCWSTR TypeName(std::string_view type, std::wstring& storage) {
    // "#6" names a numbered type (RT_STRING), anything else a named one.
    if (type.size() > 1 && type[0] == '#') return MAKEINTRESOURCEW(std::stoi(std::string(type.substr(1))));
    storage = win32::Widen(std::string(type));
    return storage.c_str();
}

}  // namespace

std::optional<std::span<const std::uint8_t>> ModuleResource(std::string_view type, std::uint16_t id,
                                                             std::uint16_t language) {
    std::wstring storage;
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(self, TypeName(type, storage), MAKEINTRESOURCEW(id), language);
    if (found == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(self, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), SizeofResource(self, found));
}

std::optional<std::span<const std::uint8_t>> Win32Resources::Find(std::string_view type, std::uint16_t id) {
    std::wstring storage;
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), TypeName(type, storage));
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
    return text ? win32::CutToBytes(*text, bufferSize - 1) : std::string();
}

// A locale in the environment first (as on other hosts), else the user's interface
// language: Traditional Chinese for Taiwan, Hong Kong and Macao, Simplified for China and
// Singapore, else English.
std::uint16_t UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = win32::EnvironmentText(name).value_or("");
        if (!value.empty()) return LanguageForLocale(value);
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
