#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/BootArchive.h"
#include "archive/CompressFile.h"
#include "platform/kernel/fake/FakeKernel.h"
#include "tests/FileBytes.h"
#include "tests/TempDir.h"

namespace mendora::testing {

inline std::string LittleEndian(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

inline std::string Entry(const std::string& name, const std::string& member) {
    return name + std::string(kEntrySeparator) + LittleEndian(member.size()) + member;
}

// Files (not directories) below root, as paths relative to it, sorted.
inline std::vector<std::string> FilesBelow(const std::string& root) {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        if (!item.is_directory()) found.push_back(std::filesystem::relative(item.path(), root).generic_string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A temporary directory holding "a.r", extracted into "out/" through a fake kernel.
struct ArchiveFixture {
    platform::FakeKernel fake;
    TempDir dir;
    std::string archivePath = dir / "a.r";
    std::string out = dir / "out/";
    bool endedInsideEntry = false;  // as the last Extract left it

    // The gzip stream our writer makes of content.
    std::string Gzip(const std::string& content) {
        std::string source = dir / "gzip-source";
        std::string target = dir / "gzip-target";
        WriteBytes(source, content);
        CompressFile(fake.files, source, target);
        std::string bytes = ReadBytes(target);
        std::filesystem::remove(source);
        std::filesystem::remove(target);
        return bytes;
    }

    // Extracts the archive bytes start-up's way; answers what ExtractNext answered,
    // up to and including its first 0.
    std::vector<int> Extract(const std::string& archiveBytes) {
        WriteBytes(archivePath, archiveBytes);
        BootArchive archive(fake.kernel);
        std::vector<int> answers;
        if (!archive.Open(archivePath, false)) return answers;
        archive.outputDirectory = out;
        archive.Rewind();
        do {
            answers.push_back(archive.ExtractNext());
        } while (answers.back() == 1 && answers.size() < 100);
        endedInsideEntry = archive.EndedInsideEntry();
        archive.Close();
        return answers;
    }
};

}  // namespace mendora::testing
