#include "archive/BootArchive.h"

#include <algorithm>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/DecompressFile.h"
#include "archive/EntryDirs.h"
#include "archive/EntryName.h"
#include "platform/kernel/BufferedFile.h"

namespace mendora {
namespace {

constexpr std::size_t kAppendChunk = 1 << 16;
// A gzip stream is at least a 10-byte header and an 8-byte trailer.
constexpr std::uint32_t kSmallestGzip = 18;

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::string LengthField(std::uint32_t length) {
    std::string field(kLengthFieldSize, '\0');
    for (std::size_t i = 0; i < kLengthFieldSize; ++i) field[i] = static_cast<char>(length >> (8 * i));
    return field;
}

bool WriteAll(platform::File& file, const void* bytes, std::size_t count) {
    return file.Write(bytes, count) == static_cast<long>(count);
}

}  // namespace

BootArchive::~BootArchive() {
    if (open_) Close();
}

std::string BootArchive::ArchivePath(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && IsWhiteSpace(trimmed.back())) trimmed.pop_back();
    if (!trimmed.ends_with(".r")) trimmed += ".r";
    return trimmed;
}

int BootArchive::Open(const std::string& path, bool create) { return OpenFile(ArchivePath(path), create); }

int BootArchive::OpenFile(const std::string& archivePath, bool create) {
    if (open_) Close();
    if (!create && !kernel_.files.Lookup(archivePath).exists) return 0;
    auto file = kernel_.files.Open(archivePath, create ? platform::OpenMode::CreateReadWrite
                                                       : platform::OpenMode::ReadWriteExisting);
    if (!file) return 0;
    // Names are read a byte at a time and members in small chunks; the buffer keeps
    // that from costing a system call each.
    file_ = std::make_unique<platform::BufferedFile>(std::move(file));
    std::size_t slash = archivePath.rfind('/');
    scratchDirectory_ = slash == std::string::npos ? std::string() : archivePath.substr(0, slash + 1);
    open_ = true;
    return 1;
}

int BootArchive::Close() {
    file_.reset();
    open_ = false;
    return 1;
}

int BootArchive::Rewind() {
    if (!open_) return 0;
    return file_->Seek(0) ? 1 : 0;
}

bool BootArchive::AtEnd() { return open_ && file_->Position() == file_->Length(); }

int BootArchive::ReadEntryHeader(std::string* name, std::uint32_t* length) {
    endedInsideEntry_ = false;
    if (!open_ || AtEnd()) return 0;
    endedInsideEntry_ = true;
    std::string text;
    do {
        char byte;
        if (file_->Read(&byte, 1) != 1) return 0;
        text.push_back(byte);
    } while (text.size() <= kEntrySeparator.size() || !text.ends_with(kEntrySeparator));
    text.resize(text.size() - kEntrySeparator.size());

    // An archive that ends inside the length field or the member is finished there;
    // nothing of that entry is extracted.
    std::uint8_t field[kLengthFieldSize] = {};
    if (file_->Read(field, sizeof field) != static_cast<long>(sizeof field)) return 0;
    *length = LittleEndian32(field);
    if (file_->Length() - file_->Position() < *length) return 0;
    *name = std::move(text);
    endedInsideEntry_ = false;
    return 1;
}

bool BootArchive::SkipMember(std::uint32_t length) {
    return file_->Seek(file_->Position() + length);
}

int BootArchive::ExtractNext() {
    std::string name;
    std::uint32_t length = 0;
    if (!ReadEntryHeader(&name, &length)) return 0;
    if (!IsSafeEntryName(name)) {
        kernel_.debug.Write("Skipped archive entry " + name + ": its name leaves the output directory");
        return SkipMember(length) ? 1 : 0;
    }
    return ExtractMember(name, length);
}

int BootArchive::ExtractMember(const std::string& name, std::uint32_t length) {
    std::string destination = outputDirectory + EntryNameToPath(name);
    MakeEntryDirs(kernel_, destination);

    std::string scratchPath;
    auto scratch = kernel_.files.CreateScratch(scratchDirectory_, "T", &scratchPath);
    if (!scratch) {
        kernel_.debug.Write("Skipped archive entry " + name + ": no scratch file");
        return SkipMember(length) ? 1 : 0;
    }
    bool written = true;
    bool read = CopyMember(length, std::move(scratch), &written);

    if (read && written) {
        DecompressFile(kernel_, scratchPath, destination, &writeFailed_);
    } else if (read) {
        kernel_.debug.Write("Skipped archive entry " + name + ": its scratch file refused the bytes");
        writeFailed_ = true;
    }
    if (!kernel_.files.Delete(scratchPath)) {
        kernel_.debug.Write("Couldn't delete scratch file " + scratchPath);
    }
    return read ? 1 : 0;
}

bool BootArchive::CopyMember(std::uint32_t length, std::unique_ptr<platform::File> scratchFile,
                             bool* written) {
    platform::BufferedFile scratch(std::move(scratchFile));
    std::uint8_t chunk[kMemberChunk];
    std::size_t chunkSize = kMemberChunk;
    std::uint32_t remaining = length;
    while (remaining > 0) {
        chunkSize = std::min<std::size_t>(chunkSize, remaining);
        long got = file_->Read(chunk, chunkSize);
        if (got <= 0) {
            endedInsideEntry_ = true;
            return false;
        }
        if (*written && !WriteAll(scratch, chunk, static_cast<std::size_t>(got))) *written = false;
        remaining -= static_cast<std::uint32_t>(got);
    }
    if (!scratch.Flush()) *written = false;
    return true;
}

int BootArchive::ListNext(ArchiveEntry* entry) {
    std::uint32_t length = 0;
    if (!ReadEntryHeader(&entry->name, &length)) return 0;
    entry->memberSize = length;
    entry->contentSize = 0;
    std::uint64_t end = file_->Position() + length;
    std::uint8_t trailer[4] = {};
    if (length >= kSmallestGzip && file_->Seek(end - sizeof trailer) &&
        file_->Read(trailer, sizeof trailer) == static_cast<long>(sizeof trailer)) {
        entry->contentSize = LittleEndian32(trailer);
    }
    return file_->Seek(end) ? 1 : 0;
}

int BootArchive::AppendEntry(const std::string& name, const std::string& memberPath) {
    if (!open_ || !IsStorableEntryName(name)) return 0;
    auto member = kernel_.files.Open(memberPath, platform::OpenMode::ReadShared);
    if (!member) return 0;
    std::uint64_t length = member->Length();
    if (length > UINT32_MAX) return 0;

    std::string header = name + std::string(kEntrySeparator) + LengthField(static_cast<std::uint32_t>(length));
    if (!file_->Seek(file_->Length()) || !WriteAll(*file_, header.data(), header.size())) return 0;
    std::vector<std::uint8_t> chunk(kAppendChunk);
    for (std::uint64_t copied = 0; copied < length;) {
        long got = member->Read(chunk.data(), std::min<std::uint64_t>(chunk.size(), length - copied));
        if (got <= 0 || !WriteAll(*file_, chunk.data(), static_cast<std::size_t>(got))) return 0;
        copied += static_cast<std::uint64_t>(got);
    }
    return 1;
}

}  // namespace mendora
