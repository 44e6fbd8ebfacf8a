// bootpack: writes, lists and unpacks boot-code archives with the system's own code.
#include <string>

#include "platform/kernel/Console.h"
#include "platform/kernel/NativeKernel.h"
#include "platform/kernel/TableResources.h"
#include "tools/bootpack/Commands.h"
#include "tools/bootpack/ToolHost.h"
#include "tools/common/CommandLine.h"

namespace {

using namespace mendora;

constexpr const char* kDescription =
    "Writes, lists and unpacks boot-code archives: a run of entries, each a name, a\n"
    "separator, a 32-bit length and one gzip stream with the file's content.\n";

constexpr const char* kFooter =
    "ARCHIVE gets \".r\" appended unless it already ends in \".r\" or \".R\"; list and unpack\n"
    "need it to exist and be writable. Scratch files are made beside the archive.\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct Args {
    std::string directory, archive;
};

// The host's services, with the tool's own diagnostics and message boxes.
int Run(const std::string& command, const Args& args) {
    bootpack::ToolHost host;
    platform::TableResources resources({}, platform::kLangEnglish);
    platform::NativeKernel services(resources, host);
    platform::Kernel kernel{services.tempRoot, services.process, services.files,
                            services.mutexes,  services.version, services.rights,
                            resources,         host,             services.clock,
                            host,              services.registry, services.profiles,
                            services.events,   services.modules};

    if (command == "pack") return bootpack::Pack(kernel, args.directory, args.archive);
    if (command == "list") return bootpack::List(kernel, args.archive);
    int result = bootpack::Unpack(kernel, args.archive, args.directory);
    if (result == bootpack::kExitOk && host.problems > 0) {
        return bootpack::Fail(std::to_string(host.problems) + " entries were not extracted");
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(kDescription, "bootpack");
    app.footer(kFooter);
    app.require_subcommand(1);
    Args args;
    auto* pack = app.add_subcommand("pack",
                                    "store every regular file below DIR (links are not followed); entry names are "
                                    "paths relative to DIR with '\\' separators, in byte-wise order, so the same "
                                    "files always give the same archive");
    pack->add_option("DIR", args.directory)->required();
    pack->add_option("ARCHIVE", args.archive)->required();
    app.add_subcommand("list",
                       "print one line per entry: its name, a tab, its decompressed size in bytes (taken from the "
                       "gzip trailer)")
        ->add_option("ARCHIVE", args.archive)
        ->required();
    auto* unpack = app.add_subcommand("unpack",
                                      "extract every entry below DIR, creating directories as needed; entries whose "
                                      "names would leave DIR are skipped");
    unpack->add_option("ARCHIVE", args.archive)->required();
    unpack->add_option("DIR", args.directory)->required();
    platform::ProgramArguments arguments(argc, argv);
    if (auto exit = tools::ParseCommandLine(app, arguments.Count(), arguments.Values())) return *exit;
    return Run(app.get_subcommands().front()->get_name(), args);
}
