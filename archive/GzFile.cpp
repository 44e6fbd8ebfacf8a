#include "archive/GzFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/kernel/Descriptors.h"

namespace mendora {
namespace {

constexpr std::uint64_t kOsByteOffset = 9;
// The archives' members carry this operating-system byte in their gzip header, while
// zlib writes the code of the host it was built for; written files are stamped with it
// so that packing gives the same bytes on every host.
constexpr std::uint8_t kMemberOsByte = 0x0B;

struct Piece {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size;
};

}  // namespace

GzFile::~GzFile() {
    if (IsOpen()) Close();
}

// The file is opened by the platform (UTF-8 paths on every host) and handed to zlib.
gzFile GzFile::OpenStream(const std::string& path, bool writing) {
    int descriptor = platform::OpenDescriptor(
        path, writing ? platform::DescriptorMode::CreateWrite : platform::DescriptorMode::Read);
    if (descriptor < 0) return nullptr;
    gzFile stream = gzdopen(descriptor, writing ? "wb" : "rb");
    if (stream == nullptr) platform::CloseDescriptor(descriptor);
    return stream;
}

bool GzFile::Open(const std::string& path, std::int32_t mode) {
    if (IsOpen()) return false;
    if (mode == kWriting) {
        handle_ = OpenStream(path, true);
        ApplyParameters();  // acts only once the object is in writing mode
    } else if (mode == kReading) {
        if (!files_.IsWritable(path)) return false;
        std::optional<std::uint64_t> size = files_.SizeOf(path);
        if (!size) return false;
        compressedSize_ = *size;
        handle_ = OpenStream(path, false);
    }
    path_ = path;
    SetMode(handle_ ? mode : kClosed);
    return handle_ != nullptr;
}

bool GzFile::Close() {
    if (!IsOpen()) return false;
    bool closed = gzclose(handle_) == Z_OK;
    handle_ = nullptr;
    bool stamped = mode_ != kWriting || !closed || StampOsByte();
    SetMode(kClosed);
    return closed && stamped;
}

bool GzFile::StampOsByte() {
    auto file = files_.Open(path_, platform::OpenMode::ReadWriteExisting);
    return file && file->Length() > kOsByteOffset && file->Seek(kOsByteOffset) &&
           file->Write(&kMemberOsByte, 1) == 1;
}

bool GzFile::Write(const void* bytes, unsigned count) {
    if (!IsOpen() || mode_ != kWriting) return false;
    return count == 0 || gzwrite(handle_, bytes, count) == static_cast<int>(count);
}

bool GzFile::WriteText(const char* text) {
    return Write(text, static_cast<unsigned>(std::strlen(text)));
}

int GzFile::Read(void* buffer, unsigned count) {
    if (!IsOpen() || mode_ != kReading) return 0;
    return gzread(handle_, buffer, count);
}

bool GzFile::ReadAll(std::unique_ptr<std::uint8_t[]>* buffer, std::size_t* size) {
    *size = 0;
    buffer->reset();
    readFailed_ = false;
    if (!IsOpen() || mode_ != kReading || compressedSize_ == 0) return false;

    // Pieces as large as the compressed file, read until the stream ends.
    const unsigned pieceSize = static_cast<unsigned>(std::min<std::uint64_t>(compressedSize_, INT_MAX));
    std::vector<Piece> pieces;
    int result;
    do {
        auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(pieceSize);
        result = gzread(handle_, piece.get(), pieceSize);
        if (result > 0) {
            pieces.push_back({std::move(piece), static_cast<std::size_t>(result)});
            *size += static_cast<std::size_t>(result);
        }
    } while (result > 0);

    // zlib reports a stream cut off before its end only through its error state.
    int error = Z_OK;
    gzerror(handle_, &error);
    if (result == -1 || error == Z_BUF_ERROR) {
        readFailed_ = true;
        *size = 0;
        return false;
    }

    *buffer = std::make_unique_for_overwrite<std::uint8_t[]>(*size);
    std::size_t at = 0;
    for (const Piece& piece : pieces) {
        std::memcpy(buffer->get() + at, piece.bytes.get(), piece.size);
        at += piece.size;
    }
    return *size != 0;
}

bool GzFile::ApplyParameters() {
    if (!IsOpen() || mode_ != kWriting) return false;
    return gzsetparams(handle_, level_, strategy_) == Z_OK;
}

}  // namespace mendora
