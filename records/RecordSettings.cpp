#include "records/RecordSettings.h"

#include <cctype>
#include <cstdlib>

#include "platform/kernel/ProcessEnvironment.h"
#include "records/ServerAddress.h"

namespace mendora::records {

namespace {

constexpr std::size_t kValueBuffer = 4096;
const char* const kSection = "records";

// yes/no, true/false, on/off, 1/0; anything else keeps the default and is named.
bool YesNo(platform::ProfileReader& profiles, const std::string& path, const char* key, bool fallback,
           std::string* problem) {
    const std::string unset = "\x01";
    std::string value = profiles.GetString(path, kSection, key, unset, kValueBuffer);
    if (value == unset) return fallback;
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (value == "yes" || value == "true" || value == "on" || value == "1") return true;
    if (value == "no" || value == "false" || value == "off" || value == "0") return false;
    *problem = path + ": [records] " + key + " = " + value + " is not yes or no";
    return fallback;
}

}  // namespace

std::string StationSettingsPath(platform::HostFacts& host) { return host.SettingsDirectory() + "/station.conf"; }

RecordSettings ReadRecordSettings(platform::ProfileReader& profiles, platform::HostFacts& host,
                                  const std::string& path, std::string* problem) {
    RecordSettings s;
    s.enabled = YesNo(profiles, path, "enabled", true, problem);
    s.dialog = YesNo(profiles, path, "dialog", false, problem);
    const std::string data = host.DataDirectory();
    s.database = profiles.GetString(path, kSection, "database", data.empty() ? "" : data + "/records.db",
                                    kValueBuffer);
    s.server = profiles.GetString(path, kSection, "server", "", kValueBuffer);
    if (!s.server.empty() && !IsServerAddress(s.server)) {
        // Not echoed: what was meant as an address may hold a password.
        *problem = path + ": [records] server is not a postgresql:// address; no server is used";
        s.server.clear();
    }
    const std::string share = profiles.GetString(path, kSection, "retire_grown_percent", "", kValueBuffer);
    if (!share.empty()) {
        char* end = nullptr;
        const double value = std::strtod(share.c_str(), &end);
        if (end != share.c_str() && *end == '\0' && value >= 0 && value <= 100) s.retire.grownSharePercent = value;
        else *problem = path + ": [records] retire_grown_percent = " + share + " is not a share from 0 to 100";
    }
    return s;
}

void ChooseRecords(const std::string& choice, RecordSettings* settings) {
    settings->enabled = choice != "off";
    if (!settings->enabled) return;
    if (IsServerAddress(choice)) settings->server = choice;
    else settings->database = choice;
}

RecordSettings ProgramRecordSettings(platform::ProfileReader& profiles, platform::HostFacts& host,
                                     const std::string& configPath, std::string* problem, const std::string& given) {
    std::string path = configPath.empty() ? platform::ProcessEnvironmentValue(kConfigVariable) : configPath;
    if (path.empty()) path = StationSettingsPath(host);
    RecordSettings settings = ReadRecordSettings(profiles, host, path, problem);
    if (const std::string variable = platform::ProcessEnvironmentValue(kRecordsVariable); !variable.empty())
        ChooseRecords(variable, &settings);
    if (!given.empty()) ChooseRecords(given, &settings);
    return settings;
}

}  // namespace mendora::records
