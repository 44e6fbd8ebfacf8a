// bootpack: writes, lists and unpacks boot-code archives with the system's own code.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/NativeKernel.h"
#include "platform/kernel/TableResources.h"
#include "tools/bootpack/Commands.h"
#include "tools/bootpack/ToolHost.h"

namespace {

using namespace mendora;

constexpr const char* kHelp =
    "Usage: bootpack pack DIR ARCHIVE\n"
    "       bootpack list ARCHIVE\n"
    "       bootpack unpack ARCHIVE DIR\n"
    "\n"
    "Writes, lists and unpacks boot-code archives: a run of entries, each a name, a\n"
    "separator, a 32-bit length and one gzip stream with the file's content.\n"
    "\n"
    "  pack    store every regular file below DIR (links are not followed); entry\n"
    "          names are paths relative to DIR with '\\' separators, in byte-wise\n"
    "          order, so the same files always give the same archive\n"
    "  list    print one line per entry: its name, a tab, its decompressed size\n"
    "          in bytes (taken from the gzip trailer)\n"
    "  unpack  extract every entry below DIR, creating directories as needed;\n"
    "          entries whose names would leave DIR are skipped\n"
    "\n"
    "ARCHIVE gets \".r\" appended unless it already ends in \".r\"; list and unpack\n"
    "need it to exist and be writable. Scratch files are made beside the archive.\n"
    "\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "bootpack: %s\nTry 'bootpack --help' for more information.\n",
                 problem.c_str());
    return bootpack::kExitUsage;
}

int Run(const std::vector<std::string>& args) {
    bootpack::ToolHost host;
    platform::TableResources resources({}, platform::kLangEnglish);
    platform::NativeKernel services(resources, host);
    // The host's services, with the tool's own diagnostics and message boxes.
    platform::Kernel kernel{services.tempRoot, services.process, services.files,
                            services.mutexes,  services.version, services.rights,
                            resources,         host,             services.clock,
                            host,              services.registry, services.profiles,
                            services.events,   services.modules};

    const std::string& command = args[0];
    if (command == "pack" && args.size() == 3) return bootpack::Pack(kernel, args[1], args[2]);
    if (command == "list" && args.size() == 2) return bootpack::List(kernel, args[1]);
    if (command == "unpack" && args.size() == 3) {
        int result = bootpack::Unpack(kernel, args[1], args[2]);
        if (result == bootpack::kExitOk && host.problems > 0) {
            return bootpack::Fail(std::to_string(host.problems) + " entries were not extracted");
        }
        return result;
    }
    if (command == "pack" || command == "list" || command == "unpack") {
        return Usage("wrong number of arguments for " + command);
    }
    return Usage("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options && (arg == "-h" || arg == "--help")) {
            std::fputs(kHelp, stdout);
            return bootpack::kExitOk;
        }
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "'");
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty()) return Usage("no command given");
    return Run(args);
}
