#include <cstdio>
#include "platform/kernel/Console.h"
#include <filesystem>

#include "archive/BootArchive.h"
#include "tools/bootpack/Commands.h"

namespace mendora::bootpack {

int Fail(const std::string& message) {
    platform::PrintText(stderr, "bootpack: %s\n", message.c_str());
    return kExitFailure;
}

namespace {

int OpenExisting(BootArchive& archive, const std::string& path) {
    if (archive.OpenFile(ArchiveFile(path), false)) return kExitOk;
    return Fail("cannot open " + ArchiveFile(path) + " (it must be an existing, writable file)");
}

int CheckEnded(BootArchive& archive, const std::string& path) {
    if (!archive.EndedInsideEntry()) return kExitOk;
    return Fail(ArchiveFile(path) + " ends inside an entry");
}

}  // namespace

int List(platform::Kernel& kernel, const std::string& path) {
    BootArchive archive(kernel);
    if (int failed = OpenExisting(archive, path)) return failed;
    ArchiveEntry entry;
    while (archive.ListNext(&entry)) {
        platform::PrintText(stdout, "%s\t%u\n", entry.name.c_str(), static_cast<unsigned>(entry.contentSize));
    }
    return CheckEnded(archive, path);
}

// The same calls, in the same order, as start-up makes.
int Unpack(platform::Kernel& kernel, const std::string& path, const std::string& directory) {
    BootArchive archive(kernel);
    if (int failed = OpenExisting(archive, path)) return failed;
    // The folder and every missing folder above it; the entries' own folders are made below
    // it as they come.
    const std::filesystem::path output = std::filesystem::absolute(directory).lexically_normal();
    std::error_code error;
    std::filesystem::create_directories(output, error);
    if (error) return Fail("cannot create " + output.string() + ": " + error.message());
    archive.outputDirectory = output.string();
    if (!archive.outputDirectory.ends_with('/')) archive.outputDirectory += '/';
    if (!archive.Rewind()) return Fail("cannot rewind " + ArchiveFile(path));
    while (archive.ExtractNext() == 1) {
    }
    int ended = CheckEnded(archive, path);
    archive.Close();
    return ended;
}

}  // namespace mendora::bootpack
