// The resources linked into the executable by the resource script.
#include <gtest/gtest.h>

#include "platform/kernel/win32/Win32Kernel.h"
#include "resources/EmbeddedResources.h"

namespace mendora::platform {
namespace {

TEST(Win32Resources, TheFiveFilesAreBinaryFilesInLanguage1028) {
    for (std::uint16_t id : {151, 152, 153, 154, 156}) {
        auto exact = ModuleResource("BINARYFILE", id, kLangTraditionalChinese);
        ASSERT_TRUE(exact) << id;
        EXPECT_GT(exact->size(), 0u) << id;
        EXPECT_FALSE(ModuleResource("BINARYFILE", id, kLangEnglish)) << id;
        auto any = Win32Resources(kLangEnglish).Find("BINARYFILE", id);
        ASSERT_TRUE(any) << id;
        EXPECT_EQ(any->data(), exact->data());
    }
    EXPECT_FALSE(Win32Resources(kLangEnglish).Find("BINARYFILE", 155));
    auto dll = Win32Resources(kLangEnglish).Find("BINARYFILE", 151);
    EXPECT_EQ(dll->data()[0], 'M');
    EXPECT_EQ(dll->data()[1], 'Z');
    // The table the other hosts compile in is the same bytes here.
    int found = 0;
    for (const ResourceEntry& e : mendora::EmbeddedResourceTable()) found += e.size > 0;
    EXPECT_EQ(found, 6);
}

TEST(Win32Resources, TheDialogAndBadBlockIconsAreIconGroups) {
    for (std::uint16_t id : {128, 129}) {
        auto group = ModuleResource("#14", id, 0);  // RT_GROUP_ICON, language neutral
        ASSERT_TRUE(group) << id;
        ASSERT_GE(group->size(), 20u);
        EXPECT_EQ((*group)[2], 1);   // an icon
        EXPECT_EQ((*group)[4], 1);   // one image
        EXPECT_EQ((*group)[6], 32);  // 32 x 32
        EXPECT_EQ((*group)[12], 32); // 32 bits
    }
}

TEST(Win32Resources, StringTableInThreeLanguagesCutToTheBuffer) {
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(4, 260),
              "This program can only be executed with administrative privilege!");
    EXPECT_EQ(Win32Resources(kLangTraditionalChinese).LoadString(4, 260), "必須有系統管理員權限才能執行此程式");
    EXPECT_EQ(Win32Resources(kLangSimplifiedChinese).LoadString(4, 260), "必须有系统管理员权限才能执行此程式");
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(2, 260), "Close");
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(2, 4), "Clo");
    // Never half a character: 結 takes three bytes.
    EXPECT_EQ(Win32Resources(kLangTraditionalChinese).LoadString(2, 5), "結");
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(3, 260), "");   // no entry 3
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(999, 260), "");
    EXPECT_EQ(Win32Resources(kLangEnglish).LoadString(4, 0), "");
    // Another language falls back to English.
    EXPECT_EQ(Win32Resources(1031).LoadString(2, 260), "Close");
}

}  // namespace
}  // namespace mendora::platform
