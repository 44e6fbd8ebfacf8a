#pragma once
#include "platform/kernel/File.h"

namespace mendora::platform {

// A file descriptor owned by the object; closed on destruction.
class LinuxFile : public File {
public:
    explicit LinuxFile(int fd) : fd_(fd) {}
    ~LinuxFile() override;
    LinuxFile(const LinuxFile&) = delete;
    LinuxFile& operator=(const LinuxFile&) = delete;

    long Read(void* buffer, std::size_t count) override;
    long Write(const void* buffer, std::size_t count) override;
    bool Seek(std::uint64_t position) override;
    std::uint64_t Position() override;
    std::uint64_t Length() override;

private:
    int fd_;
};

}  // namespace mendora::platform
