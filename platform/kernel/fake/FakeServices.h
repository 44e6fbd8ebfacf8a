#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/AdminRights.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DebugOutput.h"
#include "platform/kernel/ModuleLoader.h"
#include "platform/kernel/NamedMutex.h"
#include "platform/kernel/ProcessHost.h"
#include "platform/kernel/Registry.h"
#include "platform/kernel/TempRoot.h"
#include "platform/kernel/VersionQuery.h"

namespace mendora::platform {

class FakeTempRoot : public TempRoot {
public:
    std::string directory;  // ends with '/'; empty to refuse
    std::string refusal = "refused by the test";
    std::string Directory(std::string* why) override {
        if (directory.empty() && why) *why = refusal;
        return directory;
    }
};

class FakeProcessHost : public ProcessHost {
public:
    std::string executablePath;
    bool spawnFails = false;
    std::vector<std::string> spawned;
    std::string ExecutablePath() override { return executablePath; }
    bool Spawn(const std::string& path) override {
        spawned.push_back(path);
        return !spawnFails;
    }
    // The exit status a program run to its end answers.
    int exitStatus = 0;
    std::optional<int> RunToEnd(const std::string& path) override {
        if (!Spawn(path)) return std::nullopt;
        return exitStatus;
    }
};

class FakeNamedMutexes : public NamedMutexes {
public:
    MutexClaim answer = MutexClaim::Created;
    std::vector<std::string> created;
    MutexClaim Create(const std::string& name) override {
        created.push_back(name);
        return answer;
    }
};

class FakeVersionQuery : public VersionQuery {
public:
    std::optional<OsVersion> extended;
    std::optional<OsVersion> basic;
    std::vector<VersionRecord> asked;
    std::optional<OsVersion> Query(VersionRecord record) override {
        asked.push_back(record);
        return record == VersionRecord::Extended ? extended : basic;
    }
};

class FakeAdminRights : public AdminRights {
public:
    std::optional<bool> answer = true;
    int calls = 0;
    std::optional<bool> IsAdministrator() override {
        ++calls;
        return answer;
    }
};

class FakeDebugOutput : public DebugOutput {
public:
    void Write(const std::string& line) override {
        std::lock_guard<std::mutex> hold(mutex_);
        lines_.push_back(line);
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> hold(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Virtual time: sleeping advances the clock at once.
class FakeClock : public Clock {
public:
    std::uint64_t TickCount() override { return ticks.load(); }
    void Sleep(std::uint32_t milliseconds) override { ticks += milliseconds; }
    std::int64_t CalendarTime() override { return 1'700'000'000 + static_cast<std::int64_t>(ticks / 1000); }
    TimeOfDay LocalTimeOfDay() override { return UtcTimeOfDay(CalendarTime()); }
    std::atomic<std::uint64_t> ticks{0};
};

// Registry values set by the test, keyed by lower-case "key\\name".
class FakeRegistry : public Registry {
public:
    void Set(const std::string& key, const std::string& name, std::uint32_t value) { values[Key(key, name)] = value; }
    std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) override {
        ++reads;
        auto found = values.find(Key(key, name));
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    std::map<std::string, std::uint32_t> values;
    std::atomic<int> reads{0};

private:
    static std::string Key(const std::string& key, const std::string& name) {
        std::string k = key + "\\" + name;
        for (char& c : k) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return k;
    }
};

// Modules made of the entry points a test hands in; loading a name not given fails.
class FakeModuleLoader : public ModuleLoader {
public:
    using Symbols = std::map<std::string, void*>;
    std::map<std::string, Symbols> modules;
    std::vector<std::string> loads;
    std::atomic<int> unloads{0};

    ModuleLoad Load(const std::string& moduleName) override {
        loads.push_back(moduleName);
        ModuleLoad load;
        auto found = modules.find(moduleName);
        if (found == modules.end()) {
            load.errorCode = 126;
            load.errorText = "module not found";
            return load;
        }
        load.module = std::make_unique<Loaded>(found->second, unloads);
        return load;
    }

private:
    class Loaded : public Module {
    public:
        Loaded(Symbols symbols, std::atomic<int>& unloads) : symbols_(std::move(symbols)), unloads_(unloads) {}
        ~Loaded() override { ++unloads_; }
        void* Symbol(const std::string& name) override {
            auto found = symbols_.find(name);
            return found == symbols_.end() ? nullptr : found->second;
        }

    private:
        Symbols symbols_;
        std::atomic<int>& unloads_;
    };
};

}  // namespace mendora::platform
