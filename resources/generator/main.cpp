// mendora-genfiles OUTDIR: writes the files the executable embeds, byte for byte the same
// on every run: Device.ini, deft70.esp, and the Boot and RevertBoot trees that are packed
// into the two boot-code archives.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "resources/generator/Texts.h"
#include "resources/generator/Trees.h"

namespace fs = std::filesystem;
using namespace mendora::genfiles;

namespace {

void WriteFile(const fs::path& path, const char* data, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteText(const fs::path& path, const std::string& text) {
    WriteFile(path, text.data(), text.size());
}

// Replaces the tree below `root` wholesale, so no file of an earlier run is packed.
void WriteTree(const fs::path& root, const std::vector<GeneratedFile>& files) {
    fs::remove_all(root);
    for (const GeneratedFile& file : files) {
        WriteFile(root / file.path, reinterpret_cast<const char*>(file.content.data()),
                  file.content.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr, "usage: mendora-genfiles OUTDIR\n");
        return argc == 2 ? 0 : 2;
    }
    try {
        fs::path outDir = argv[1];
        WriteText(outDir / "Device.ini", DeviceSelectionText());
        WriteText(outDir / "deft70.esp", DefaultDeviceSettingsText());
        WriteTree(outDir / "Boot", BootTree());
        WriteTree(outDir / "RevertBoot", RevertBootTree());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mendora-genfiles: %s\n", error.what());
        return 1;
    }
    return 0;
}
