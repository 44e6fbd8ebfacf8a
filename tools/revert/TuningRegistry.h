#pragma once
#include <cctype>
#include <map>
#include <string>

#include "platform/kernel/Registry.h"

namespace mendora::revert_tool {

// The user's registry with values given on the command line laid over it.
class TuningRegistry : public platform::Registry {
public:
    explicit TuningRegistry(platform::Registry& user) : user_(user) {}
    void Set(const std::string& key, const std::string& name, std::uint32_t value) { values_[Key(key, name)] = value; }
    std::optional<std::uint32_t> ReadDword(const std::string& key, const std::string& name) override {
        auto found = values_.find(Key(key, name));
        return found != values_.end() ? std::optional(found->second) : user_.ReadDword(key, name);
    }

private:
    static std::string Key(const std::string& key, const std::string& name) {
        std::string k = key + "\\" + name;
        for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return k;
    }
    platform::Registry& user_;
    std::map<std::string, std::uint32_t> values_;
};

}  // namespace mendora::revert_tool
