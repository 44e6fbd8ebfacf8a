#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace mendora {

// A file whose content is compressed on the way to disk and decompressed on the way
// back. Subclasses bind it to one compression format.
class CompressedFile {
public:
    static constexpr std::int32_t kClosed = 0;
    static constexpr std::int32_t kWriting = 1;
    static constexpr std::int32_t kReading = 2;

    virtual ~CompressedFile() = default;
    virtual bool SetMode(std::int32_t mode) {
        mode_ = mode;
        return true;
    }
    virtual bool Close() = 0;
    virtual bool IsOpen() = 0;
    // Answers whether every byte was accepted.
    virtual bool Write(const void* bytes, unsigned count) = 0;
    // Writes a terminated text without its terminator.
    virtual bool WriteText(const char* text) = 0;
    // Answers the number of bytes read, -1 on an error, 0 when not reading.
    virtual int Read(void* buffer, unsigned count) = 0;
    // Decompresses everything that is left into one buffer owned by the caller.
    virtual bool ReadAll(std::unique_ptr<std::uint8_t[]>* buffer, std::size_t* size) = 0;
    // Hands the compression level and strategy to the compressor (writing only).
    virtual bool ApplyParameters() = 0;

protected:
    std::int32_t mode_ = kClosed;
    std::int32_t level_ = -1;    // the compressor's default level
    std::int32_t strategy_ = 0;  // the compressor's default strategy
};

}  // namespace mendora
