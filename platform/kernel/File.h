#pragma once
#include <cstddef>
#include <cstdint>

namespace mendora::platform {

// An open file. Reads and writes answer the number of bytes moved, or -1 on an error.
class File {
public:
    virtual ~File() = default;
    virtual long Read(void* buffer, std::size_t count) = 0;
    virtual long Write(const void* buffer, std::size_t count) = 0;
    virtual bool Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Position() = 0;
    virtual std::uint64_t Length() = 0;
};

}  // namespace mendora::platform
