// A boot-code archive of arbitrary bytes: listed, then extracted into an output directory.
// Whatever the names say, every file that appears lies below that directory and no scratch
// file stays behind.
#include "archive/ArchiveFormat.h"
#include "archive/BootArchive.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzTargets.h"
#include "platform/kernel/fake/FakeKernel.h"

namespace mendora::fuzz::archive {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    const std::string root = FreshDirectory("archive");
    const std::string archivePath = root + "/a.r";
    testing::WriteBytes(archivePath, AsString(data, size));
    // An entry takes at least a one-byte name, the separator and the length field.
    const std::size_t mostEntries = size / (1 + kEntrySeparator.size() + kLengthFieldSize) + 1;

    platform::FakeKernel fake;
    BootArchive archive(fake.kernel);
    FUZZ_CHECK(archive.Open(archivePath, false) == 1);
    ArchiveEntry entry;
    std::size_t listed = 0;
    while (archive.ListNext(&entry)) {
        FUZZ_CHECK(++listed <= mostEntries);
        FUZZ_CHECK(entry.memberSize <= size);
    }

    FUZZ_CHECK(archive.Rewind() == 1);
    archive.outputDirectory = root + "/out/";
    std::size_t extracted = 0;
    try {
        while (archive.ExtractNext()) FUZZ_CHECK(++extracted <= mostEntries);
    } catch (const platform::FatalExitCalled&) {
        // A directory the archive needs could not be made (a file of that name is in the
        // way): the program ends there, which is the defined outcome.
    }
    archive.Close();

    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        std::string relative = std::filesystem::relative(item.path(), root).string();
        FUZZ_CHECK(!item.is_symlink());
        FUZZ_CHECK(relative == "a.r" || relative == "out" || relative.starts_with("out/"));
    }
    return 0;
}

}  // namespace mendora::fuzz::archive
