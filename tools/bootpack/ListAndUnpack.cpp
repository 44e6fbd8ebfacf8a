#include <cstdio>
#include <filesystem>

#include "archive/BootArchive.h"
#include "tools/bootpack/Commands.h"

namespace mendora::bootpack {

int Fail(const std::string& message) {
    std::fprintf(stderr, "bootpack: %s\n", message.c_str());
    return kExitFailure;
}

namespace {

int OpenExisting(BootArchive& archive, const std::string& path) {
    if (archive.Open(path, false)) return kExitOk;
    return Fail("cannot open " + BootArchive::ArchivePath(path) +
                " (it must be an existing, writable file)");
}

int CheckEnded(BootArchive& archive, const std::string& path) {
    if (!archive.EndedInsideEntry()) return kExitOk;
    return Fail(BootArchive::ArchivePath(path) + " ends inside an entry");
}

}  // namespace

int List(platform::Kernel& kernel, const std::string& path) {
    BootArchive archive(kernel);
    if (int failed = OpenExisting(archive, path)) return failed;
    ArchiveEntry entry;
    while (archive.ListNext(&entry)) {
        std::printf("%s\t%u\n", entry.name.c_str(), static_cast<unsigned>(entry.contentSize));
    }
    return CheckEnded(archive, path);
}

// The same calls, in the same order, as start-up makes.
int Unpack(platform::Kernel& kernel, const std::string& path, const std::string& directory) {
    BootArchive archive(kernel);
    if (int failed = OpenExisting(archive, path)) return failed;
    archive.outputDirectory = std::filesystem::absolute(directory).lexically_normal().string();
    if (!archive.outputDirectory.ends_with('/')) archive.outputDirectory += '/';
    if (!archive.Rewind()) return Fail("cannot rewind " + BootArchive::ArchivePath(path));
    while (archive.ExtractNext() == 1) {
    }
    int ended = CheckEnded(archive, path);
    archive.Close();
    return ended;
}

}  // namespace mendora::bootpack
