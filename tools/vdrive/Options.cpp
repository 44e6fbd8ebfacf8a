#include "tools/vdrive/Options.h"

#include <algorithm>
#include <cstdlib>

namespace mendora::tools {

Options::Options(int argc, char** argv, int first, const std::vector<std::string>& flags) {
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            words_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        if (auto eq = name.find('='); eq != std::string::npos) {
            options_.emplace_back(name.substr(0, eq), name.substr(eq + 1));
        } else if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            options_.emplace_back(name, std::nullopt);
        } else if (i + 1 < argc) {
            options_.emplace_back(name, std::string(argv[++i]));
        } else {
            error_ = "option --" + name + " needs a value";
        }
    }
}

bool Options::Has(const std::string& name) const {
    return std::any_of(options_.begin(), options_.end(), [&](const auto& o) { return o.first == name; });
}

std::optional<std::string> Options::Value(const std::string& name) const {
    for (const auto& o : options_) {
        if (o.first == name) return o.second;
    }
    return std::nullopt;
}

bool Options::Number(const std::string& name, std::uint64_t max, std::uint64_t* out, std::string* error) const {
    auto text = Value(name);
    if (!text) return true;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text->c_str(), &end, 0);
    if (text->empty() || *end != '\0' || errno != 0 || v > max || (*text)[0] == '-') {
        *error = "--" + name + ": not a number up to " + std::to_string(max) + ": " + *text;
        return false;
    }
    *out = v;
    return true;
}

}  // namespace mendora::tools
