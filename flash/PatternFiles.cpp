#include <algorithm>

#include "flash/RevertEngine.h"

namespace mendora {

// Every file under the directory, depth first, in the order the host lists them.
void RevertEngine::ScanPatternFiles(const std::string& directory) {
    auto entries = host_.files.List(directory);
    if (!entries) return;
    for (const platform::DirectoryEntry& entry : *entries) {
        if (entry.name == "." || entry.name == "..") continue;
        std::string path = directory + "/" + entry.name;
        if (entry.isDirectory) {
            ScanPatternFiles(path);
        } else {
            patternFiles_.push_back(path);
        }
    }
}

// Fills the pattern buffer from its start with the next bytes of the file stream. A stream
// that gives nothing through a whole round of its files (or has none) is marked failed, so
// that the pass ends instead of reading forever.
bool RevertEngine::ReadPatternData(std::uint32_t bytes) {
    std::uint8_t* target = pattern_.data();
    bytes = std::min<std::uint32_t>(bytes, static_cast<std::uint32_t>(pattern_.size()));
    while (bytes > 0) {
        if (StopRequested()) {
            geo_.Status.store(revert_status::kUserBreak, std::memory_order_relaxed);
            return false;
        }
        if (streamFailed_ || patternFiles_.empty()) {
            streamFailed_ = true;
            return false;
        }
        std::uint32_t got = ReadFromStream(target, bytes);
        emptyReads_ = got == 0 ? emptyReads_ + 1 : 0;
        if (emptyReads_ > patternFiles_.size()) {
            streamFailed_ = true;
            return false;
        }
        bytes -= got;
        target += got;
    }
    return true;
}

// Reads from the open file (opening the current one first); at the end of a file the next
// one in the list, cyclically, is opened by the following read.
std::uint32_t RevertEngine::ReadFromStream(std::uint8_t* target, std::uint32_t bytes) {
    if (!patternFile_) patternFile_ = host_.files.Open(patternFiles_[fileIndex_], platform::OpenMode::ReadShared);
    long got = patternFile_ ? patternFile_->Read(target, bytes) : 0;
    if (got < 0) got = 0;
    if (static_cast<std::uint32_t>(got) < bytes) {
        patternFile_.reset();
        fileIndex_ = (fileIndex_ + 1) % patternFiles_.size();
    }
    return static_cast<std::uint32_t>(got);
}

void RevertEngine::SkipPatternData(std::uint32_t fromSector, std::uint32_t toSector) {
    if (patternMode_ != 3) return;
    const std::uint32_t piece = std::min<std::uint32_t>(128, PatternBufferSectors());
    if (piece == 0) return;
    for (std::uint32_t left = toSector > fromSector ? toSector - fromSector : 0; left > 0;) {
        std::uint32_t sectors = std::min(piece, left);
        if (!ReadPatternData(sectors * 512)) return;
        left -= sectors;
    }
}

void RevertEngine::ClosePatternFile() { patternFile_.reset(); }

// Both phases of a pattern test see the stream from its first file.
void RevertEngine::RewindPatternFiles() {
    if (!patternFile_) return;
    patternFile_.reset();
    fileIndex_ = 0;
}

}  // namespace mendora
