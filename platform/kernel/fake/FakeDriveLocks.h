#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/DriveLock.h"

namespace mendora::platform {

// Drive locks of one process, for tests: keys listed in heldElsewhere are refused as a
// lock of another process would be; every other key may be held any number of times.
class FakeDriveLocks : public DriveLocks {
public:
    std::set<std::string> heldElsewhere;

    // How many locks of the key are held now.
    int Holders(const std::string& key) const {
        std::lock_guard<std::mutex> guard(state_->mutex);
        auto it = state_->holders.find(key);
        return it == state_->holders.end() ? 0 : it->second;
    }

    std::unique_ptr<DriveLock> TryLock(const std::string& key, std::string* error) override {
        if (heldElsewhere.count(key) != 0) {
            if (error) *error = DriveInUseText(key);
            return nullptr;
        }
        std::lock_guard<std::mutex> guard(state_->mutex);
        ++state_->holders[key];
        return std::make_unique<Held>(state_, key);
    }

private:
    // Shared with the locks, which may outlive the fake.
    struct State {
        mutable std::mutex mutex;
        std::map<std::string, int> holders;
    };
    class Held : public DriveLock {
    public:
        Held(std::shared_ptr<State> state, std::string key) : state_(std::move(state)), key_(std::move(key)) {}
        ~Held() override {
            std::lock_guard<std::mutex> guard(state_->mutex);
            if (--state_->holders[key_] == 0) state_->holders.erase(key_);
        }

    private:
        std::shared_ptr<State> state_;
        std::string key_;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace mendora::platform
