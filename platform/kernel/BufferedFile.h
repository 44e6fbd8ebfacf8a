#pragma once
#include <memory>
#include <vector>

#include "platform/kernel/File.h"

namespace mendora::platform {

// A file with a buffer in front: small reads are served from one large read ahead,
// small writes are gathered into one large write. Position, seeking and length behave
// as on the file itself. Pending writes reach the file on Flush() or destruction.
class BufferedFile : public File {
public:
    static constexpr std::size_t kDefaultCapacity = 1 << 16;

    explicit BufferedFile(std::unique_ptr<File> file, std::size_t capacity = kDefaultCapacity);
    ~BufferedFile() override;
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    long Read(void* buffer, std::size_t count) override;
    long Write(const void* buffer, std::size_t count) override;
    bool Seek(std::uint64_t position) override;
    std::uint64_t Position() override { return position_; }
    std::uint64_t Length() override;
    // Writes what is pending; answers whether the file took all of it.
    bool Flush();

private:
    enum class Holding { Nothing, ReadAhead, PendingWrite };

    bool MoveFileTo(std::uint64_t position);
    long Refill();
    std::size_t FromBuffer(void* buffer, std::size_t count);

    std::unique_ptr<File> file_;
    std::vector<std::uint8_t> buffer_;
    Holding holding_ = Holding::Nothing;
    std::uint64_t bufferStart_ = 0;  // file position of buffer_[0]
    std::size_t filled_ = 0;         // bytes of buffer_ in use
    std::uint64_t position_;         // where the next read or write takes place
    std::uint64_t filePosition_;     // where the file itself stands
};

}  // namespace mendora::platform
