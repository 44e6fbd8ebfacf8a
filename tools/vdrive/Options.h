#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mendora::tools {

// The arguments after the subcommand: positional words and --name [value] options.
class Options {
public:
    Options(int argc, char** argv, int first, const std::vector<std::string>& flags);
    const std::vector<std::string>& words() const { return words_; }
    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    // A number option (decimal or 0x hex); false with *error set when malformed.
    bool Number(const std::string& name, std::uint64_t max, std::uint64_t* out, std::string* error) const;
    const std::string& error() const { return error_; }

private:
    std::vector<std::string> words_;
    std::vector<std::pair<std::string, std::optional<std::string>>> options_;
    std::string error_;
};

}  // namespace mendora::tools
