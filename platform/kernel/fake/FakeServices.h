#pragma once
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/AdminRights.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DebugOutput.h"
#include "platform/kernel/NamedMutex.h"
#include "platform/kernel/ProcessHost.h"
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
    std::atomic<std::uint64_t> ticks{0};
};

}  // namespace mendora::platform
