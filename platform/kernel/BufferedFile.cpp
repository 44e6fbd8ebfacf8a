#include "platform/kernel/BufferedFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mendora::platform {

BufferedFile::BufferedFile(std::unique_ptr<File> file, std::size_t capacity)
    : file_(std::move(file)), buffer_(capacity), position_(file_->Position()),
      filePosition_(position_) {}

BufferedFile::~BufferedFile() { Flush(); }

bool BufferedFile::MoveFileTo(std::uint64_t position) {
    if (filePosition_ == position) return true;
    if (!file_->Seek(position)) return false;
    filePosition_ = position;
    return true;
}

bool BufferedFile::Flush() {
    if (holding_ != Holding::PendingWrite) return true;
    holding_ = Holding::Nothing;
    if (!MoveFileTo(bufferStart_)) return false;
    long written = file_->Write(buffer_.data(), filled_);
    if (written > 0) filePosition_ += static_cast<std::uint64_t>(written);
    return written == static_cast<long>(filled_);
}

std::size_t BufferedFile::FromBuffer(void* buffer, std::size_t count) {
    if (holding_ != Holding::ReadAhead || position_ < bufferStart_ ||
        position_ >= bufferStart_ + filled_) {
        return 0;
    }
    std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
    std::size_t n = std::min(count, filled_ - offset);
    std::memcpy(buffer, buffer_.data() + offset, n);
    position_ += n;
    return n;
}

long BufferedFile::Refill() {
    holding_ = Holding::Nothing;
    if (!MoveFileTo(position_)) return -1;
    long got = file_->Read(buffer_.data(), buffer_.size());
    if (got <= 0) return got;
    filePosition_ += static_cast<std::uint64_t>(got);
    holding_ = Holding::ReadAhead;
    bufferStart_ = position_;
    filled_ = static_cast<std::size_t>(got);
    return got;
}

long BufferedFile::Read(void* buffer, std::size_t count) {
    if (!Flush()) return -1;
    std::uint8_t* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t done = FromBuffer(bytes, count);
    while (done < count) {
        long got = Refill();
        if (got < 0) return done > 0 ? static_cast<long>(done) : -1;
        if (got == 0) break;
        done += FromBuffer(bytes + done, count - done);
    }
    return static_cast<long>(done);
}

long BufferedFile::Write(const void* buffer, std::size_t count) {
    bool appends = holding_ == Holding::PendingWrite && position_ == bufferStart_ + filled_ &&
                   filled_ + count <= buffer_.size();
    if (!appends) {
        if (!Flush()) return -1;
        holding_ = Holding::Nothing;
        if (count >= buffer_.size()) {
            if (!MoveFileTo(position_)) return -1;
            long written = file_->Write(buffer, count);
            if (written > 0) {
                filePosition_ += static_cast<std::uint64_t>(written);
                position_ = filePosition_;
            }
            return written;
        }
        holding_ = Holding::PendingWrite;
        bufferStart_ = position_;
        filled_ = 0;
    }
    std::memcpy(buffer_.data() + filled_, buffer, count);
    filled_ += count;
    position_ += count;
    return static_cast<long>(count);
}

bool BufferedFile::Seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
    position_ = position;
    return true;
}

std::uint64_t BufferedFile::Length() {
    std::uint64_t length = file_->Length();
    if (holding_ == Holding::PendingWrite) length = std::max(length, bufferStart_ + filled_);
    return length;
}

}  // namespace mendora::platform
