#include "platform/kernel/linux/InihProfileReader.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <optional>

namespace mendora::platform {

namespace {

bool SameName(const std::string& a, const char* b) {
    std::string other(b);
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct Lookup {
    const std::string& section;
    const std::string& key;
    std::optional<std::string> value;
};

struct Sections {
    std::vector<std::string> names;
};

// Runs inih over the file; false when it cannot be opened.
bool Parse(const std::string& path, ini_handler handler, void* user) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    ini_parse_file(file, handler, user);
    std::fclose(file);
    return true;
}

int CollectSection(void* user, const char* section, const char*, const char*) {
    auto& names = static_cast<Sections*>(user)->names;
    bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, section); });
    if (!known) names.emplace_back(section);
    return 1;
}

int FindKey(void* user, const char* section, const char* name, const char* value) {
    auto* lookup = static_cast<Lookup*>(user);
    // The first section of the name holds the key; a later section of the same name is a
    // continuation of it, as the host's profile functions see it.
    if (!lookup->value && SameName(lookup->section, section) && SameName(lookup->key, name)) lookup->value = value;
    return 1;
}

std::optional<std::string> Value(const std::string& path, const std::string& section, const std::string& key) {
    Lookup lookup{section, key, std::nullopt};
    if (!Parse(path, FindKey, &lookup)) return std::nullopt;
    return lookup.value;
}

}  // namespace

std::vector<std::string> InihProfileReader::SectionNames(const std::string& path, std::size_t bufferSize) {
    Sections sections;
    Parse(path, CollectSection, &sections);
    // Each name takes its length plus a zero; one more zero ends the list.
    std::vector<std::string> fitting;
    std::size_t used = 1;
    for (auto& name : sections.names) {
        if (used + name.size() + 1 > bufferSize) break;
        used += name.size() + 1;
        fitting.push_back(std::move(name));
    }
    return fitting;
}

std::string InihProfileReader::GetString(const std::string& path, const std::string& section, const std::string& key,
                                         const std::string& fallback, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::string value = Value(path, section, key).value_or(fallback);
    if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
    return value;
}

int InihProfileReader::GetInt(const std::string& path, const std::string& section, const std::string& key,
                              int fallback) {
    auto value = Value(path, section, key);
    if (!value) return fallback;
    const char* p = value->c_str();
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    long long number = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        number = std::min<long long>(number * 10 + (*p - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative) number = -number;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

}  // namespace mendora::platform
