#include "tools/soak/Sweep.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace mendora::soak {

std::vector<std::string> Sweep::Environment(const std::string& runDir, const std::vector<std::string>& extra) const {
    std::vector<std::string> env;
    for (const std::string& entry : platform::CurrentEnvironment()) {
        if (entry.rfind("MENDORA_", 0) == 0 || entry.rfind("XDG_", 0) == 0 || entry.rfind("HOME=", 0) == 0 ||
            entry.rfind("LANG=", 0) == 0 || entry.rfind("LC_", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("HOME=" + runDir);
    env.push_back("LANG=C");
    // Each run's records in its own folder, never in the machine's database.
    env.push_back("MENDORA_RECORDS=" + runDir + "/records.db");
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void MakePrivateDirectory(const std::string& path) {
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

RunResult Judge(const RunEnd& end, const std::string& output) {
    switch (end.kind) {
        case RunEnd::Kind::TimedOut: return {Verdict::Hang, "", Describe(end)};
        case RunEnd::Kind::Signalled: return {Verdict::Crash, "", Describe(end)};
        case RunEnd::Kind::NotStarted: return {Verdict::Crash, "", "the program could not be started"};
        case RunEnd::Kind::Exited: break;
    }
    for (const char* report : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer",
                               "runtime error:"})
        if (Contains(output, report)) return {Verdict::Crash, "", report};
    return {};
}

}  // namespace mendora::soak
