// mendora-vdrive: creates and inspects virtual drive images and plans their faults.
#include <iostream>
#include "platform/kernel/Console.h"
#include <string>
#include <vector>

#include "tools/common/BlockMap.h"
#include "tools/common/CommandLine.h"
#include "tools/vdrive/Commands.h"
#include "tools/vdrive/UsbRedirServer.h"

namespace mendora::tools {
namespace {

const char kFooter[] =
    "Presets: qf90 (default), qf70, qf70-nofw, dual-channel, unsupported, vista-refused.\n"
    "Each command takes the image first: mendora-vdrive COMMAND IMAGE [OPTION]...;\n"
    "serve-usb IMAGE --socket PATH [IMAGE --socket PATH]... serves each image as a USB\n"
    "mass-storage device on the usbredir socket a USB host listens on, until the host closes\n"
    "it; unplug/plug/replug take it off the bus and put it back.\n"
    "mendora-vdrive COMMAND --help lists the command's options.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct Args {
    std::string image;
    CreateArgs create;
    FaultArgs fault;
    bool json = false;
    std::string png;
};

CLI::App* AddCommand(CLI::App& app, Args& args, const std::string& name, const std::string& help) {
    CLI::App* command = app.add_subcommand(name, help);
    command->add_option("IMAGE", args.image, "the image file")->required();
    return command;
}

int Plug(const std::string& command, vdrive::VirtualDrive& drive) {
    std::string error;
    bool ok = (command != "plug" ? drive.SetPlugged(false, &error) : true) &&
              (command != "unplug" ? drive.SetPlugged(true, &error) : true);
    return ok ? kExitOk : Fail(error);
}

int Map(const std::string& png, vdrive::VirtualDrive& drive) {
    std::string error;
    auto blocks = drive.Blocks(&error);
    if (!blocks || !WriteBlockMap(png, drive.geometry(), *blocks, &error)) return Fail(error);
    return kExitOk;
}

int RunOn(const std::string& command, const Args& args) {
    if (command == "create") return Create(args.create, args.image);
    std::string error;
    // What only looks needs no write access: an image on a read-only disk can be shown.
    const bool looks = command == "info" || command == "map";
    auto drive = vdrive::VirtualDrive::Open(args.image, &error,
                                            looks ? vdrive::ImageAccess::ReadOnly : vdrive::ImageAccess::ReadWrite);
    if (!drive) return Fail(error);
    if (command == "info") {
        auto info = drive->Info(&error);
        if (!info) return Fail(error);
        args.json ? PrintInfoJson(*info) : PrintInfoText(*info);
        return kExitOk;
    }
    if (command == "fault") return Fault(args.fault, *drive);
    if (command == "map") return Map(args.png, *drive);
    return Plug(command, *drive);
}

const char kServeUsbUsage[] =
    "Usage: mendora-vdrive serve-usb IMAGE --socket PATH [--serial TEXT] [IMAGE --socket PATH ...]...\n"
    "Serves each image as a USB mass-storage device on the usbredir socket a USB host\n"
    "listens on, until the host closes it.\n"
    "Options:\n"
    "  -h,--help      print this help message and exit\n"
    "  --socket PATH  the usbredir socket the image before it is served on\n"
    "  --serial TEXT  the USB serial number of the image before it (default: one made from\n"
    "                 the image's path); cheap sticks often share one\n";

// serve-usb IMAGE --socket PATH [--serial TEXT] ...: read by hand because each --socket and
// --serial belongs to the image before it.
int ServeUsbCommand(int argc, char** argv) {
    if (argc == 3 && (std::string(argv[2]) == "--help" || std::string(argv[2]) == "-h")) {
        platform::WriteText(stdout, kServeUsbUsage);
        return kExitOk;
    }
    if (argc < 3) return Fail("serve-usb wants IMAGE --socket PATH pairs", kExitUsage);
    std::vector<UsbLink> links;
    for (int i = 2; i < argc; i += 3) {
        if (i + 2 >= argc || std::string(argv[i + 1]) != "--socket" || std::string(argv[i]).rfind("--", 0) == 0)
            return Fail("serve-usb wants IMAGE --socket PATH pairs", kExitUsage);
        links.push_back({argv[i], argv[i + 2], {}});
        if (i + 3 < argc && std::string(argv[i + 3]) == "--serial") {
            if (i + 4 >= argc || std::string(argv[i + 4]).empty())
                return Fail("--serial wants a serial number", kExitUsage);
            links.back().serial = argv[i + 4];
            i += 2;
        }
    }
    return ServeUsb(links);
}

int Run(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "serve-usb") return ServeUsbCommand(argc, argv);
    CLI::App app("Create and inspect virtual USB flash drive images.", "mendora-vdrive");
    app.footer(kFooter);
    app.require_subcommand(1);
    Args args;
    AddCreateOptions(*AddCommand(app, args, "create", "a new image, and any missing folder above it; never overwrites one"), args.create);
    AddCommand(app, args, "info", "identity, geometry, plug state and block counts")
        ->add_flag("--json", args.json, "as one JSON object");
    AddCommand(app, args, "plug", "plug the drive in");
    AddCommand(app, args, "unplug", "pull the drive out");
    AddCommand(app, args, "replug", "pull the drive out and plug it back in");
    AddFaultOptions(*AddCommand(app, args, "fault", "plan a fault of the drive's commands"), args.fault);
    AddCommand(app, args, "map", "a picture of every block, one band per chip")
        ->add_option("--png", args.png, "the picture's file")
        ->type_name("FILE")
        ->required();
    // Listed for --help only: the command line is read by ServeUsbCommand above.
    app.add_subcommand("serve-usb", "serve images on a USB bus (serve-usb --help)");
    if (auto exit = ParseCommandLine(app, argc, argv)) return *exit;
    return RunOn(app.get_subcommands().front()->get_name(), args);
}

}  // namespace

int Fail(const std::string& message, int code) {
    platform::WriteText(stderr, "mendora-vdrive: " + message + "\n");
    return code;
}

}  // namespace mendora::tools

int main(int argc, char** argv) {
    mendora::platform::ProgramArguments arguments(argc, argv);
    return mendora::tools::Run(arguments.Count(), arguments.Values());
}
