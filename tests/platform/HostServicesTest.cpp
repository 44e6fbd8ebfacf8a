#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/kernel/LanguageChoice.h"
#include "platform/kernel/TableResources.h"
#include "platform/kernel/linux/LinuxDebugOutput.h"
#include "platform/kernel/linux/LinuxNamedMutexes.h"
#include "platform/kernel/linux/LinuxTempRoot.h"
#include "platform/kernel/linux/LinuxVersionQuery.h"
#include "platform/kernel/linux/ReportedOsBuild.h"
#include "platform/ui/TerminalMessageHost.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::platform {
namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old) old_ = old, had_ = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(LinuxTempRoot, UsesAPrivateRuntimeDirectoryElseAPrivateFolderUnderTmp) {
    testing::TempDir dir;
    ::chmod(dir.Path().c_str(), 0700);
    std::string why;
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path().c_str());
        EXPECT_EQ(LinuxTempRoot().Directory(&why), dir.Path() + "/");
    }
    ::mkdir((dir / "shared").c_str(), 0755);
    ::mkdir((dir / "tmp").c_str(), 0700);
    ::symlink((dir / "tmp").c_str(), (dir / "tmplink").c_str());
    ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "shared").c_str());
    ScopedEnv tmp("TMPDIR", (dir / "tmplink").c_str());
    std::string expected = dir / "tmp/mendora-" + std::to_string(::geteuid()) + "/";
    EXPECT_EQ(LinuxTempRoot().Directory(&why), expected);  // links resolved
    struct stat st {};
    ASSERT_EQ(::stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(expected.c_str(), 0777);
    EXPECT_EQ(LinuxTempRoot().Directory(&why), "");
    EXPECT_NE(why.find("other users may write to it"), std::string::npos);
}

TEST(LanguageChoice, ChineseLocalesPickTheirTablesAndTheFirstSetVariableWins) {
    EXPECT_EQ(LanguageForLocale("zh_TW.UTF-8"), kLangTraditionalChinese);
    EXPECT_EQ(LanguageForLocale("zh_HK"), kLangTraditionalChinese);
    EXPECT_EQ(LanguageForLocale("zh_CN.GB2312"), kLangSimplifiedChinese);
    EXPECT_EQ(LanguageForLocale("zh_SG"), kLangSimplifiedChinese);
    EXPECT_EQ(LanguageForLocale("zh"), kLangEnglish);
    EXPECT_EQ(LanguageForLocale("de_DE"), kLangEnglish);
    ScopedEnv all("LC_ALL", "");
    ScopedEnv messages("LC_MESSAGES", "zh_CN.UTF-8");
    ScopedEnv lang("LANG", "zh_TW.UTF-8");
    EXPECT_EQ(UserLanguage(), kLangSimplifiedChinese);
}

TEST(TableResources, FindsByTypeAndIdAndLoadsStringsInTheUserLanguage) {
    static const char kStrings[] =
        "# comment\n"
        "4\t1033\tAdmin only!\n"
        "4\t1028\t\xE5\xBF\x85\xE9\xA0\x88\n"
        "14\t1033\tAll Data\\r\\nContinue ?\n"
        "bad line\n";
    static const std::uint8_t kBlob[] = {1, 2, 3};
    const ResourceEntry table[] = {
        {kStringTableType, 1, 0, reinterpret_cast<const std::uint8_t*>(kStrings), sizeof kStrings - 1},
        {"BINARYFILE", 151, 1028, kBlob, sizeof kBlob},
    };
    TableResources chinese(table, kLangTraditionalChinese);
    EXPECT_EQ(chinese.LoadString(4, 260), "\xE5\xBF\x85\xE9\xA0\x88");
    EXPECT_EQ(chinese.LoadString(4, 5), "\xE5\xBF\x85");  // cut at a character boundary
    EXPECT_EQ(chinese.LoadString(14, 260), "All Data\r\nContinue ?");  // English fallback
    EXPECT_EQ(chinese.LoadString(15, 260), "");
    TableResources english(table, kLangEnglish);
    EXPECT_EQ(english.LoadString(4, 6), "Admin");
    ASSERT_TRUE(english.Find("BINARYFILE", 151));
    EXPECT_EQ(english.Find("BINARYFILE", 151)->size(), 3u);
    EXPECT_FALSE(english.Find("BINARYFILE", 152));
    EXPECT_FALSE(english.Find("ICON", 151));
}

TEST(LinuxNamedMutexes, ASecondClaimOfTheSameNameFindsItTaken) {
    LinuxNamedMutexes mutexes;
    std::string name = "mendora-test-" + std::to_string(::getpid());
    EXPECT_EQ(mutexes.Create(name), MutexClaim::Created);
    EXPECT_EQ(mutexes.Create(name), MutexClaim::AlreadyExists);
    EXPECT_EQ(mutexes.Create(name + "-other"), MutexClaim::Created);
}

TEST(LinuxVersionQuery, ReportsBuild2600UnlessAnotherIsGivenAndIgnoresTheEnvironment) {
    ScopedEnv vista("MENDORA_OS_BUILD", "6000");
    LinuxVersionQuery query;
    EXPECT_EQ(query.Query(VersionRecord::Extended)->buildNumber, 2600u);
    EXPECT_EQ(query.Query(VersionRecord::Basic)->platformId, 2u);
    EXPECT_EQ(LinuxVersionQuery(6000).Query(VersionRecord::Extended)->buildNumber, 6000u);
}

// The test build's switch; the shipped program does not link it.
TEST(ReportedOsBuild, TestBuildTakesAValidBuildFromTheEnvironment) {
    ScopedEnv unset("MENDORA_OS_BUILD", nullptr);
    EXPECT_EQ(ReportedOsBuild(), 2600u);
    for (const char* bad : {"abc", "70000", "12x", "-1"}) {
        ScopedEnv env("MENDORA_OS_BUILD", bad);
        EXPECT_EQ(ReportedOsBuild(), 2600u) << bad;
    }
    ScopedEnv vista("MENDORA_OS_BUILD", "6000");
    EXPECT_EQ(ReportedOsBuild(), 6000u);
}

TEST(LinuxDebugOutput, AppendsOneLinePerCallToTheNamedFileAndDropsLinesWhenUnset) {
    testing::TempDir dir;
    std::string log = dir / "debug.log";
    {
        ScopedEnv debug("MENDORA_DEBUG", log.c_str());
        LinuxDebugOutput output;
        output.Write("OnInitDialog 0");
        output.Write("chipID=144,chipVer=1");
    }
    EXPECT_EQ(testing::ReadBytes(log), "OnInitDialog 0\nchipID=144,chipVer=1\n");
    ScopedEnv unset("MENDORA_DEBUG", nullptr);
    LinuxDebugOutput().Write("dropped");
    EXPECT_EQ(testing::ReadBytes(log), "OnInitDialog 0\nchipID=144,chipVer=1\n");
}

int Answer(const char* typed, bool interactive, bool assumeYes, MessageButtons buttons,
           std::string* shown = nullptr) {
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::fputs(typed, in);
    std::rewind(in);
    int answer = TerminalMessageHost(in, out, interactive, assumeYes).MessageBox("Text", "Cap", buttons);
    if (shown) {
        std::rewind(out);
        char line[256] = {};
        std::fgets(line, sizeof line, out);
        *shown = line;
    }
    std::fclose(in);
    std::fclose(out);
    return answer;
}

TEST(TerminalMessageHost, AnswersFromTheKeyboardTheScriptOrSafely) {
    std::string shown;
    EXPECT_EQ(Answer("", false, true, MessageButtons::OkCancel, &shown), kIdOk);
    EXPECT_EQ(shown, "[Cap] Text\n");
    EXPECT_EQ(Answer("", false, false, MessageButtons::OkCancel), kIdCancel);
    EXPECT_EQ(Answer("", false, false, MessageButtons::Ok), kIdOk);
    EXPECT_EQ(Answer("\n", true, false, MessageButtons::OkCancel), kIdOk);
    EXPECT_EQ(Answer("c\n", true, false, MessageButtons::OkCancel), kIdCancel);
    EXPECT_EQ(Answer("", true, false, MessageButtons::OkCancel), kIdCancel);  // end of input
}

}  // namespace
}  // namespace mendora::platform
