// What an installed program tells about itself must match the program: its version,
// its manual page and its shell completion.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/Environment.h"
#include "tests/ProgramRuns.h"
#include "version/Version.h"

namespace {

const std::string kBin = MENDORA_BIN_DIR;
const std::vector<std::string> kPrograms = {"mendora", "mendora-revert", "mendora-station", "mendora-vdrive",
                                            "bootpack"};
const std::vector<std::string> kToolsWithHelp = {"mendora-revert", "mendora-station", "mendora-vdrive", "bootpack"};

struct Ran {
    std::string output;
    int exitCode;
};

Ran Shell(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    return {output, mendora::testing::ExitCodeOf(::pclose(pipe))};
}

std::set<std::string> LongOptions(const std::string& help) {
    static const std::regex option("--[A-Za-z0-9][A-Za-z0-9-]*");
    std::set<std::string> found;
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) found.insert(it->str());
    return found;
}

// The first word of each line under "Subcommands:", up to the blank line.
std::vector<std::string> Commands(const std::string& help) {
    std::vector<std::string> commands;
    std::size_t at = help.find("\nSubcommands:\n");
    if (at == std::string::npos) return commands;
    static const std::regex line("\n +([a-z-]+)[^\n]*");
    std::smatch match;
    auto from = help.cbegin() + static_cast<long>(at + 13);
    while (std::regex_search(from, help.cend(), match, line, std::regex_constants::match_continuous)) {
        commands.push_back(match[1]);
        from = match[0].second;
    }
    return commands;
}

// The option as a word of its own: "--weak" is not found in "--weak-bits".
bool NamesOption(const std::string& page, const std::string& option) {
    auto partOfName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    for (std::size_t at = page.find(option); at != std::string::npos; at = page.find(option, at + 1)) {
        const std::size_t end = at + option.size();
        if ((at == 0 || !partOfName(page[at - 1])) && (end == page.size() || !partOfName(page[end]))) return true;
    }
    return false;
}

TEST(ProgramDocs, EveryProgramAnswersItsVersion) {
    for (const auto& program : kPrograms) {
        Ran ran = Shell(kBin + "/" + program + " --version 2>&1");
        EXPECT_EQ(ran.output, program + " " + MENDORA_VERSION + "\n");
        EXPECT_EQ(ran.exitCode, 0) << program;
    }
    // mendora's usage, like its version, comes before the rights gate and anything else.
    Ran help = Shell(kBin + "/mendora --help 2>&1");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(mendora::testing::Contains(help.output, "MENDORA_VDRIVE")) << help.output;
    EXPECT_TRUE(mendora::testing::Contains(help.output, "See mendora(1).")) << help.output;
}

TEST(ProgramDocs, ManualPagesNameEveryOptionTheHelpLists) {
    for (const auto& program : kToolsWithHelp) {
        const std::string page = mendora::testing::ReadText(std::string(MENDORA_SOURCE_DIR) + "/doc/man/" + program +
                                                            ".1.scd");
        ASSERT_FALSE(page.empty()) << program;
        const std::string help = Shell(kBin + "/" + program + " --help").output;
        std::vector<std::string> helps = {help};
        for (const auto& command : Commands(help)) {
            EXPECT_TRUE(NamesOption(page, command)) << program << " " << command;
            helps.push_back(Shell(kBin + "/" + program + " " + command + " --help").output);
        }
        for (const auto& text : helps) {
            ASSERT_TRUE(mendora::testing::Contains(text, "--help")) << program << ": no help\n" << text;
            for (const auto& option : LongOptions(text))
                EXPECT_TRUE(NamesOption(page, option)) << program << "(1) lacks " << option;
        }
    }
}

TEST(ProgramDocs, ManualPagesRenderWithoutWarnings) {
    if (Shell("command -v man >/dev/null").exitCode != 0) GTEST_SKIP() << "no man";
    for (const auto& program : kPrograms) {
        const std::string page = std::string(MENDORA_MAN_DIR) + "/" + program + ".1.gz";
        Ran ran = Shell("MANWIDTH=80 man --warnings -E UTF-8 -l " + page + " 2>&1 >/dev/null");
        EXPECT_EQ(ran.output, "") << page;
        EXPECT_EQ(ran.exitCode, 0) << page;
    }
}

// The completion as bash runs it, for the words given.
std::string Complete(const std::string& words) {
    const std::string script = std::string(MENDORA_SOURCE_DIR) + "/doc/completion/mendora.bash";
    return Shell("PATH='" + kBin + "':\"$PATH\" bash -c 'source \"" + script + "\"; COMP_WORDS=(" + words +
                 "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _mendora_complete; echo \"${COMPREPLY[*]}\"'")
        .output;
}

TEST(ProgramDocs, CompletionReadsOptionsAndCommandsFromTheHelp) {
    if (Shell("command -v bash >/dev/null").exitCode != 0) GTEST_SKIP() << "no bash";
    EXPECT_EQ(Complete("mendora-revert --vd"), "--vdrive\n");
    EXPECT_EQ(Complete("mendora-vdrive cr"), "create\n");
    EXPECT_EQ(Complete("bootpack \"\""), "pack list unpack\n");
    // A command's own options, after its image.
    EXPECT_EQ(Complete("mendora-vdrive create a.img --chip-e"), "--chip-enables\n");
    EXPECT_EQ(Complete("mendora-station --replug"), "--replug-timeout\n");
    EXPECT_EQ(Complete("mendora --v"), "--version\n");
}

}  // namespace
