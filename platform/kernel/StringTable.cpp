#include "platform/kernel/StringTable.h"

#include <charconv>

#include "platform/kernel/Resources.h"

namespace mendora::platform {
namespace {

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        out += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return out;
}

bool ParseNumber(std::string_view text, std::uint16_t& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

StringTable StringTable::Parse(std::string_view source) {
    StringTable table;
    while (!source.empty()) {
        std::size_t end = source.find('\n');
        std::string_view line = source.substr(0, end);
        source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) continue;
        std::uint16_t id = 0, language = 0;
        if (!ParseNumber(line.substr(0, tab1), id) ||
            !ParseNumber(line.substr(tab1 + 1, tab2 - tab1 - 1), language)) {
            continue;
        }
        table.texts_[{id, language}] = Unescape(line.substr(tab2 + 1));
    }
    return table;
}

const std::string* StringTable::Find(std::uint16_t id, std::uint16_t language) const {
    auto found = texts_.find({id, language});
    if (found == texts_.end()) found = texts_.find({id, kLangEnglish});
    return found == texts_.end() ? nullptr : &found->second;
}

}  // namespace mendora::platform
