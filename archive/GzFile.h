#pragma once
#include <string>
#include <zlib.h>

#include "archive/CompressedFile.h"
#include "platform/kernel/FileSystem.h"

namespace mendora {

// A gzip file on disk, written and read through zlib's gz functions.
class GzFile : public CompressedFile {
public:
    explicit GzFile(platform::FileSystem& files) : files_(files) {}
    ~GzFile() override;
    GzFile(const GzFile&) = delete;
    GzFile& operator=(const GzFile&) = delete;

    // mode is kWriting (created or truncated) or kReading (an existing, writable file).
    bool Open(const std::string& path, std::int32_t mode);

    bool Close() override;
    bool IsOpen() override { return handle_ != nullptr; }
    bool Write(const void* bytes, unsigned count) override;
    bool WriteText(const char* text) override;
    int Read(void* buffer, unsigned count) override;
    bool ReadAll(std::unique_ptr<std::uint8_t[]>* buffer, std::size_t* size) override;
    bool ApplyParameters() override;

    // True when the last ReadAll stopped on a damaged or cut-off gzip stream, as opposed
    // to a stream that simply holds nothing.
    bool ReadFailed() const { return readFailed_; }

private:
    static gzFile OpenStream(const std::string& path, bool writing);
    bool StampOsByte();

    gzFile handle_ = nullptr;
    std::uint64_t compressedSize_ = 0;
    platform::FileSystem& files_;
    std::string path_;
    bool readFailed_ = false;
};

}  // namespace mendora
