#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "archive/BootArchive.h"
#include "archive/CompressFile.h"
#include "tools/bootpack/Commands.h"

namespace mendora::bootpack {
namespace fs = std::filesystem;
namespace {

struct Source {
    std::string name;  // entry name, '\' separated
    std::string path;
};

// Every regular file below directory (links are not followed), in byte-wise name order.
bool CollectSources(const std::string& directory, std::vector<Source>* sources) {
    std::error_code error;
    fs::recursive_directory_iterator walk(directory, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        if (!walk->is_regular_file(error) || walk->is_symlink(error)) continue;
        std::string relative = walk->path().lexically_relative(directory).generic_string();
        if (relative.find_first_of("\\:") != std::string::npos) {
            Fail("cannot store " + walk->path().string() + ": its name holds '\\' or ':'");
            return false;
        }
        std::replace(relative.begin(), relative.end(), '/', '\\');
        sources->push_back({relative, walk->path().string()});
    }
    if (error) {
        Fail("cannot read " + directory + ": " + error.message());
        return false;
    }
    std::sort(sources->begin(), sources->end(),
              [](const Source& a, const Source& b) { return a.name < b.name; });
    return true;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Compresses one source into a scratch file beside the archive and appends it.
bool AddSource(platform::Kernel& kernel, BootArchive& archive, const std::string& scratchDirectory,
               const Source& source) {
    std::string scratchPath;
    if (!kernel.files.CreateScratch(scratchDirectory, "T", &scratchPath)) {
        Fail("cannot create a scratch file in " + scratchDirectory);
        return false;
    }
    bool added = CompressFile(kernel.files, source.path, scratchPath) &&
                 archive.AppendEntry(source.name, scratchPath);
    kernel.files.Delete(scratchPath);
    if (!added) Fail("cannot add " + source.path);
    return added;
}

}  // namespace

int Pack(platform::Kernel& kernel, const std::string& directory, const std::string& archivePath) {
    if (!kernel.files.Lookup(directory).isDirectory) return Fail(directory + " is not a directory");
    std::vector<Source> sources;
    if (!CollectSources(directory, &sources)) return kExitFailure;

    // Written under a temporary name and renamed at the end, so that a failed run
    // leaves an earlier archive as it was.
    std::string target = ArchiveFile(archivePath);
    std::string partial = target.substr(0, target.size() - 2) + ".partial.r";
    BootArchive archive(kernel);
    if (!archive.OpenFile(partial, true)) return Fail("cannot create " + partial);
    for (const Source& source : sources) {
        if (!AddSource(kernel, archive, DirectoryOf(partial), source)) {
            archive.Close();
            kernel.files.Delete(partial);
            return kExitFailure;
        }
    }
    archive.Close();
    std::error_code error;
    fs::rename(partial, target, error);
    if (error) {
        kernel.files.Delete(partial);
        return Fail("cannot write " + target + ": " + error.message());
    }
    return kExitOk;
}

}  // namespace mendora::bootpack
