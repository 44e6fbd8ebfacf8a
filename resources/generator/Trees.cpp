#include "resources/generator/Trees.h"

#include <cstdio>
#include <stdexcept>

#include "devlib/UpdateFirmwareFiles.h"
#include "resources/generator/Texts.h"
#include "protocol/RevertImageFormat.h"

namespace mendora::genfiles {
namespace {

// Flash makers' sub-directories, each with its own loaders and firmware.
constexpr const char* kFlashDirs[] = {"A2C", "B3T", "C1S", "D4H", "E5M"};

// A firmware version text: a 3-letter family tag and a 3-digit build.
std::string VersionText(const char* tag, unsigned build) {
    char text[8];
    std::snprintf(text, sizeof text, "%.3s%03u", tag, build % 1000);
    return text;
}

// For each of the first `flashCount` flash directories of a family: the loaders, the
// firmware image, and for dual-bank families a 128 KiB image one level deeper.
void AddFamily(std::vector<GeneratedFile>& tree, const std::string& family, const char* tag,
               std::size_t flashCount, bool dualBank) {
    for (std::size_t i = 0; i < flashCount; ++i) {
        std::string dir = family + "/" + kFlashDirs[i] + "/";
        for (const char* loader : {"ur.bin", "us.bin"}) {
            tree.push_back({dir + loader, MakeLoaderBlock(dir + loader)});
        }
        std::string version = VersionText(tag, 100 + static_cast<unsigned>(i));
        tree.push_back({dir + "fw.bin", MakeFirmwareImage(dir + "fw.bin", version)});
        if (dualBank) {
            tree.push_back({dir + "MLC/fwd.bin", MakeDualImage(dir + "MLC/fwd.bin", version)});
        }
    }
}

void RequireCount(const std::vector<GeneratedFile>& tree, std::size_t count, const char* what) {
    if (tree.size() != count) {
        throw std::logic_error(std::string(what) + " has " + std::to_string(tree.size()) +
                               " files");
    }
}

}  // namespace

std::vector<GeneratedFile> BootTree() {
    std::vector<GeneratedFile> tree;
    for (const char* loader : {"A1/ur.bin", "A1/us.bin", "A1/ul.bin", "A1/uw.bin"}) {
        tree.push_back({loader, MakeLoaderBlock(loader)});
    }
    AddFamily(tree, "A1", "QA1", 5, false);
    AddFamily(tree, "70", "Q70", 5, true);
    AddFamily(tree, "90", "Q90", 5, true);
    // Four flash makers only: the fifth one's place in the archive holds the QF90 update
    // images, so that it keeps its 109 entries.
    AddFamily(tree, "FP", "QFP", 4, true);
    AddFamily(tree, "BCD", "QBC", 5, false);
    AddFamily(tree, "40", "Q40", 3, false);
    for (const char* loader : {"90/A2C/uw.bin", "90/B3T/uw.bin"}) {
        tree.push_back({loader, MakeLoaderBlock(loader)});
    }
    for (const devlib::ControllerFirmware& controller : devlib::kUpdateFirmware) {
        for (const devlib::UpdateFirmwareFile& update : controller.byCode) {
            std::string entry(update.entry);
            tree.push_back({entry, MakeFirmwareImage(entry, update.version, controller.chipId)});
        }
    }
    RequireCount(tree, kBootFileCount, "Boot");
    return tree;
}

std::vector<GeneratedFile> RevertBootTree() {
    struct RevertImage {
        const char* path;
        std::uint16_t model;
        std::uint16_t version;
    };
    constexpr RevertImage kImages[] = {
        {"90/q90s.bin", revert::kModelQf90, 0x0312},
        {"90/q90sa1.bin", revert::kModelQf90, 0x0312},
        {"90/q90m.bin", revert::kModelQf90, 0x0310},
        {"90/q90ma1.bin", revert::kModelQf90, 0x0310},
        {"90/A1/q90a1r.bin", revert::kModelQf90, 0x0305},
        {"90/A1/q90a1w.bin", revert::kModelQf90, 0x0305},
        {"90/A2C/q90s.bin", revert::kModelQf90, 0x0302},
        {"90/B3T/q90s.bin", revert::kModelQf90, 0x0302},
        {"70/q70s.bin", revert::kModelQf70, 0x0207},
        {"70/q70m.bin", revert::kModelQf70, 0x0207},
        {"70/A2C/q70s.bin", revert::kModelQf70, 0x0201},
        {"70/B3T/q70s.bin", revert::kModelQf70, 0x0201},
    };
    std::vector<GeneratedFile> tree;
    for (const RevertImage& image : kImages) {
        tree.push_back({image.path, MakeRevertImage(image.path, image.model, image.version)});
    }
    tree.push_back({"90/A1/par.bin", MakeLoaderBlock("90/A1/par.bin")});
    tree.push_back({"70/par70.bin", MakeLoaderBlock("70/par70.bin")});
    std::string defaults = RevertDefaultsText();
    tree.push_back({"default.ini", Bytes(defaults.begin(), defaults.end())});
    RequireCount(tree, kRevertBootFileCount, "RevertBoot");
    return tree;
}

}  // namespace mendora::genfiles
