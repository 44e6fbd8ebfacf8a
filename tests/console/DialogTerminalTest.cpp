// The dialog in the terminal host.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/ui/FontFiles.h"
#include "platform/ui/tty/TtyUiHost.h"
#include "tests/console/DialogTestKit.h"

namespace mendora::testing {
namespace {

TEST(DialogTerminal, PrintsTheDialogAndPressesTheStartButtonOnce) {
    DialogRig rig;
    rig.fake.messages.answers = {platform::kIdCancel};
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    int code = 0;
    {
        platform::TtyUiHost tty(in, out, false, true);
        code = rig.Run();
    }
    // Cancelled at the confirmation; with nothing left to happen the terminal closes it.
    EXPECT_EQ(code, 2);
    ASSERT_EQ(rig.fake.messages.shown.size(), 1u);
    EXPECT_EQ(rig.fake.messages.shown[0].text, "All Data will be deleted. Continue ?");
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    for (const char* line : {"== Mendora ==\n", "-- Device Information --\n",
                             "USB DISK 2.0 (QF70) 1.9 GB\n\nFW Ver:VER123\n", "<Update> (Enter)\n", "[Close]\n",
                             "[..............................] 0%\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    EXPECT_EQ(text.find("Bad Blocks"), std::string::npos);  // hidden
    std::fclose(in);
    std::fclose(out);
}

// A host with no font face at all: the terminal prints the texts as ever (a host that draws
// them says why it shows nothing: see the font tests).
TEST(DialogTerminal, NeedsNoFontFace) {
    class NoFaces : public platform::FontLookup {
        platform::FaceFile Match(const std::string&, int) override { return {}; }
        platform::FaceFile MatchWith(char32_t, int) override { return {}; }
    } none;
    platform::ScopedFontLookup scoped(none);
    DialogRig rig;
    rig.fake.messages.answers = {platform::kIdCancel};
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    {
        platform::TtyUiHost tty(in, out, false, true);
        EXPECT_EQ(rig.Run(), 2);
    }
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    EXPECT_NE(text.find("-- Device Information --\n"), std::string::npos) << text;
    std::fclose(in);
    std::fclose(out);
}

}  // namespace
}  // namespace mendora::testing
