#include "platform/scsi/MountTables.h"

#include <sstream>

namespace mendora::platform {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

}  // namespace

std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            out += static_cast<char>(value & 0xff);
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// "36 35 98:0 /root /mnt/point rw,noatime master:1 - ext3 /dev/sdb1 rw": the optional
// fields end at "-", after which come the file system type and the source.
std::vector<MountEntry> ParseMountInfo(const std::string& text) {
    std::vector<MountEntry> entries;
    for (const std::string& line : Lines(text)) {
        std::vector<std::string> words = Words(line);
        std::size_t separator = 6;
        while (separator < words.size() && words[separator] != "-") ++separator;
        if (separator + 2 >= words.size() || words[2].find(':') == std::string::npos) continue;
        entries.push_back({words[2], UnescapeMountField(words[4]), UnescapeMountField(words[separator + 2])});
    }
    return entries;
}

// "Filename  Type  Size  Used  Priority" and a line per swap area.
std::vector<SwapEntry> ParseSwaps(const std::string& text) {
    std::vector<SwapEntry> entries;
    for (const std::string& line : Lines(text)) {
        std::vector<std::string> words = Words(line);
        if (words.size() < 2 || words[0] == "Filename") continue;
        entries.push_back({UnescapeMountField(words[0]), words[1]});
    }
    return entries;
}

}  // namespace mendora::platform
