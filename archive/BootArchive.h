#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/kernel/File.h"
#include "platform/kernel/Kernel.h"

namespace mendora {

// What an archive says about one entry, without extracting it.
struct ArchiveEntry {
    std::string name;              // as stored, with '\' separators
    std::uint32_t memberSize = 0;  // compressed bytes
    std::uint32_t contentSize = 0; // decompressed bytes, from the gzip trailer
};

// Reader and writer of boot-code archives (see ArchiveFormat.h). Each entry is
// extracted to the output directory followed by the entry's name.
class BootArchive {
public:
    explicit BootArchive(platform::Kernel& kernel) : kernel_(kernel) {}
    virtual ~BootArchive();
    BootArchive(const BootArchive&) = delete;
    BootArchive& operator=(const BootArchive&) = delete;

    // The path Open uses: trailing white space removed, ".r" appended unless it ends so.
    static std::string ArchivePath(const std::string& path);

    // create: created or truncated; otherwise an existing, writable file. 1 or 0.
    int Open(const std::string& path, bool create);
    // The same with the archive's path as it is, no suffix rule applied.
    int OpenFile(const std::string& archivePath, bool create);
    int Close();
    int Rewind();
    // 1 when one entry was dealt with (extracted, or skipped as unsafe or undecodable),
    // 0 at the end of the archive or when it ends inside an entry.
    int ExtractNext();
    // Reads the next entry's description and steps over its member. 1 or 0 as above.
    int ListNext(ArchiveEntry* entry);
    // Writes one entry at the end: name, separator, length, the bytes of memberPath.
    int AppendEntry(const std::string& name, const std::string& memberPath);
    // Whether the last entry read stopped because the archive ended (or could not be
    // read) inside it, rather than at a clean end.
    bool EndedInsideEntry() const { return endedInsideEntry_; }
    // Whether the disk refused bytes of any entry extracted so far (a full disk), so that
    // the unpacked tree is incomplete.
    bool WriteFailed() const { return writeFailed_; }

private:
    bool AtEnd();
    int ReadEntryHeader(std::string* name, std::uint32_t* length);
    bool SkipMember(std::uint32_t length);
    // Moves the member's bytes into scratch and closes it; false when the archive could
    // not be read. *written turns false when scratch refused bytes.
    bool CopyMember(std::uint32_t length, std::unique_ptr<platform::File> scratch, bool* written);
    int ExtractMember(const std::string& name, std::uint32_t length);

    bool open_ = false;
    std::unique_ptr<platform::File> file_;

public:
    std::string outputDirectory;  // prepended unchanged to every entry's path

private:
    std::string scratchDirectory_;  // the archive's own directory
    bool endedInsideEntry_ = false;
    bool writeFailed_ = false;
    platform::Kernel& kernel_;
};

}  // namespace mendora
