// The Windows font lookup: font folders (any name), the fonts Windows has registered, and
// a machine whose folders hold none of the families the dialogs name, or no font at all.
#include <gtest/gtest.h>

#include "platform/kernel/win32/Win32Kernel.h"
#include "platform/ui/Font.h"
#include "platform/ui/win32/FontFolders.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

TEST(FontFolders, AFolderWithoutFontsFindsNothingAndTheFontSaysSo) {
    testing::TempDir empty;
    auto lookup = FolderFontLookup({empty.Path()}, {});
    EXPECT_EQ(lookup->Match("Arial", 400).path, "");
    EXPECT_EQ(lookup->MatchWith(U'A', 400).path, "");
    ScopedFontLookup scoped(*lookup);
    Font font("System", PointsToPixelHeight(9));
    EXPECT_FALSE(font.HasFace());
}

// Only a CJK face, in a folder the ANSI code page cannot spell: every family the dialogs
// name comes out in it.
TEST(FontFolders, AnyFaceThereIsStandsInForMissingFamilies) {
    testing::TempDir dir;
    Win32FileSystem files;
    const FaceFile cjk = HostFontLookup().MatchWith(U'修', 400);
    ASSERT_FALSE(cjk.path.empty());
    const std::string folder = dir / "字型";
    ASSERT_TRUE(files.CreateDirectory(folder));
    const std::string name = cjk.path.substr(cjk.path.find_last_of("/\\") + 1);
    ASSERT_TRUE(files.CopyFile(cjk.path, folder + "/" + name, nullptr));
    auto lookup = FolderFontLookup({folder}, {});
    for (const char* family : {"System", "Arial", "MS Shell Dlg", "No Such Family"})
        EXPECT_EQ(lookup->Match(family, 400).path, folder + "\\" + name) << family;
    ScopedFontLookup scoped(*lookup);
    Font font("Arial", 13);
    EXPECT_TRUE(font.HasFace());
    EXPECT_GT(font.Measure("25%").cx, 10);
}

// A fresh prefix has an empty fonts folder; the fonts Windows (here, wine) has registered
// are found all the same.
TEST(FontFolders, TheRegisteredFontsAreFoundWithoutAFolder) {
    std::vector<std::string> registered = RegisteredFontFiles();
    ASSERT_FALSE(registered.empty());
    auto lookup = FolderFontLookup({}, registered);
    const FaceFile face = lookup->Match("Arial", 400);
    EXPECT_FALSE(face.path.empty());
    ScopedFontLookup scoped(*lookup);
    EXPECT_TRUE(Font("Arial", 13).HasFace());
}

}  // namespace
}  // namespace mendora::platform
