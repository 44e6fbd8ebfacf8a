#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/TableResources.h"
#include "resources/EmbeddedResources.h"

namespace mendora {
namespace {

using platform::TableResources;

std::string_view FindFile(TableResources& resources, std::uint16_t id) {
    auto bytes = resources.Find("BINARYFILE", id);
    if (!bytes) return {};
    return {reinterpret_cast<const char*>(bytes->data()), bytes->size()};
}

std::vector<std::string> SplitCrLfLines(std::string_view text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The entry names of a boot-code archive, after checking each member's gzip header.
std::vector<std::string> ArchiveEntryNames(std::string_view archive) {
    constexpr std::string_view kSeparator(" \\~#$&* ", 8);
    constexpr unsigned char kGzipHeader[] = {0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x00, 0x0B};
    std::vector<std::string> names;
    while (!archive.empty()) {
        std::size_t separator = archive.find(kSeparator, 1);
        if (separator == std::string_view::npos || archive.size() < separator + 12) {
            ADD_FAILURE() << "truncated entry after " << names.size() << " entries";
            break;
        }
        names.emplace_back(archive.substr(0, separator));
        const auto* length = reinterpret_cast<const unsigned char*>(archive.data() + separator + 8);
        std::size_t size = length[0] | length[1] << 8 | length[2] << 16 | std::size_t(length[3]) << 24;
        archive.remove_prefix(separator + 12);
        EXPECT_GE(size, sizeof kGzipHeader);
        EXPECT_LE(size, archive.size());
        EXPECT_EQ(0, std::memcmp(archive.data(), kGzipHeader, sizeof kGzipHeader)) << names.back();
        archive.remove_prefix(std::min(size, archive.size()));
    }
    return names;
}

TEST(EmbeddedResources, PlainFilesAreExact) {
    TableResources resources(EmbeddedResourceTable(), platform::kLangEnglish);

    EXPECT_EQ(FindFile(resources, 153), std::string_view("[Device]\r\nSelectDevice=QF70"));

    std::string_view settings = FindFile(resources, 154);
    ASSERT_GE(settings.size(), 2u);
    EXPECT_EQ(settings.substr(settings.size() - 2), "\r\n");
    std::vector<std::string> lines = SplitCrLfLines(settings);
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines[0], "QF70ESP");
    EXPECT_FALSE(lines[1].empty());
    EXPECT_EQ(lines[1].find_first_not_of('='), std::string::npos);
    int keyed = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].find('\n'), std::string::npos) << "bare LF in line " << i;
        keyed += lines[i].find(": ") != std::string::npos;
    }
    EXPECT_EQ(keyed, 62);
    EXPECT_NE(settings.find("\r\nVID: 3A51\r\n"), std::string_view::npos);
    EXPECT_NE(settings.find("\r\nPID: 7090\r\n"), std::string_view::npos);

    std::string_view library = FindFile(resources, 151);
    // A module of the host: ELF on Linux, a PE image ("MZ") on Windows.
    EXPECT_TRUE(library.substr(0, 4) == "\x7F" "ELF" || library.substr(0, 2) == "MZ");
    EXPECT_TRUE(FindFile(resources, 155).empty());
}

TEST(EmbeddedResources, ArchivesHoldEveryEntry) {
    TableResources resources(EmbeddedResourceTable(), platform::kLangEnglish);

    std::vector<std::string> boot = ArchiveEntryNames(FindFile(resources, 152));
    EXPECT_EQ(boot.size(), 109u);
    EXPECT_NE(std::find(boot.begin(), boot.end(), "FP\\A2C\\us.bin"), boot.end());

    std::vector<std::string> revert = ArchiveEntryNames(FindFile(resources, 156));
    EXPECT_EQ(revert.size(), 15u);
    for (const char* name : {"90\\q90s.bin", "90\\q90sa1.bin", "70\\q70s.bin", "default.ini"}) {
        EXPECT_NE(std::find(revert.begin(), revert.end(), name), revert.end()) << name;
    }
}

TEST(EmbeddedResources, StringTableInThreeLanguages) {
    TableResources english(EmbeddedResourceTable(), platform::kLangEnglish);
    TableResources traditional(EmbeddedResourceTable(), platform::kLangTraditionalChinese);
    TableResources simplified(EmbeddedResourceTable(), platform::kLangSimplifiedChinese);

    EXPECT_EQ(english.LoadString(4, 260),
              "This program can only be executed with administrative privilege!");
    EXPECT_EQ(traditional.LoadString(4, 260), "必須有系統管理員權限才能執行此程式");
    EXPECT_EQ(simplified.LoadString(4, 260), "必须有系统管理员权限才能执行此程式");

    // Cut to the buffer with its terminator, never inside a character.
    EXPECT_EQ(english.LoadString(4, 11), "This progr");
    EXPECT_EQ(traditional.LoadString(4, 8), "必須");

    EXPECT_EQ(traditional.LoadString(14, 260), "所有的資料與設定都會被刪除!\r\n是否繼續 ?");
    EXPECT_EQ(simplified.LoadString(1, 260), "重建");
    EXPECT_EQ(simplified.LoadString(19, 260), "Dual chanel mode can not be rescued.");
    EXPECT_EQ(traditional.LoadString(16, 260), english.LoadString(16, 260));

    // A missing translation would fall back to English; only 16, 17 and 19 are the same.
    for (std::uint16_t id : {1, 2, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 18}) {
        EXPECT_FALSE(english.LoadString(id, 260).empty()) << "string " << id;
        EXPECT_NE(traditional.LoadString(id, 260), english.LoadString(id, 260)) << "string " << id;
        EXPECT_NE(simplified.LoadString(id, 260), english.LoadString(id, 260)) << "string " << id;
    }
    for (std::uint16_t absent : {3, 10, 15, 20}) EXPECT_EQ(english.LoadString(absent, 260), "");
}

}  // namespace
}  // namespace mendora
