#pragma once
// Command-line pieces every tool shares, over CLI11.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "platform/kernel/Console.h"
#include "version/Version.h"

namespace mendora::tools {

inline constexpr int kExitUsageError = 2;

// Options are spelt --name on every host: a path such as /tmp is never taken for a
// Windows-style /option.
inline void UnixStyleOptions(CLI::App& app) {
    app.allow_windows_style_options(false);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) UnixStyleOptions(*command);
}

// Parses the command line. Answers the exit status when the tool should stop at once:
// 0 after --help or --version ("<tool> <version>"), kExitUsageError on a usage error (the
// text is printed either way, through the platform's text output); nullopt to go on.
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    UnixStyleOptions(app);
    app.set_version_flag("--version", app.get_name() + " " + MENDORA_VERSION, "Print the name and version and exit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        const int status = app.exit(e, out, err);
        platform::WriteText(stdout, out.str());
        platform::WriteText(stderr, err.str());
        return status == 0 ? 0 : kExitUsageError;
    }
    return std::nullopt;
}

template <typename T>
struct NumberOf {
    using type = T;
};
template <typename T>
struct NumberOf<std::optional<T>> {
    using type = T;
};

// A whole number from 0 to `max`, decimal or 0x hex, stored into a field of any width
// (or an optional one, set only when given).
// The value is read as 64 bits first so narrow fields neither wrap nor take characters.
template <typename T>
CLI::Option* AddNumber(CLI::App& app, const std::string& name, T* field, std::uint64_t max,
                       const std::string& help = "") {
    auto store = [field](std::uint64_t v) { *field = static_cast<typename NumberOf<T>::type>(v); };
    return app.add_option_function<std::uint64_t>(name, store, help)
        ->check(CLI::Range(std::uint64_t{0}, max))
        ->type_name("N");
}

// A path option's check: an empty path names no file at all. (No description, so the
// help text stays as it is.)
inline CLI::Validator GivenPath() {
    auto given = [](std::string& text) {
        return text.empty() ? std::string("an empty path names nothing") : std::string();
    };
    return CLI::Validator(given, "");
}

// A number of seconds from min to max. "nan" is refused too: it passes CLI::Range, whose
// comparisons are all false for it.
inline CLI::Option* AddSeconds(CLI::App& app, const std::string& name, double* field, double min, double max,
                               const std::string& help) {
    auto finite = [](std::string& text) {
        double value = 0;
        bool number = CLI::detail::lexical_cast(text, value);
        return number && !std::isfinite(value) ? "a finite number is wanted, not " + text : std::string();
    };
    return app.add_option(name, *field, help)->check(CLI::Validator(finite, ""))->check(CLI::Range(min, max));
}

}  // namespace mendora::tools
