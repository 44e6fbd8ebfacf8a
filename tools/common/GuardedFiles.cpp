#include "tools/common/GuardedFiles.h"

#include "platform/kernel/OutputFiles.h"

namespace mendora::tools {

namespace {

// An output file whose failed writes are noted with the files that made it.
class NotedFile : public platform::File {
public:
    NotedFile(std::unique_ptr<platform::File> file, GuardedFiles& files, std::string path)
        : file_(std::move(file)), files_(files), path_(std::move(path)) {}
    long Write(const void* buffer, std::size_t count) override {
        long written = file_->Write(buffer, count);
        if (written != static_cast<long>(count)) files_.NoteFailure("cannot write " + path_ + ": the write failed");
        return written;
    }
    long Read(void* buffer, std::size_t count) override { return file_->Read(buffer, count); }
    bool Seek(std::uint64_t position) override { return file_->Seek(position); }
    std::uint64_t Position() override { return file_->Position(); }
    std::uint64_t Length() override { return file_->Length(); }

private:
    std::unique_ptr<platform::File> file_;
    GuardedFiles& files_;
    std::string path_;
};

}  // namespace

std::unique_ptr<platform::File> GuardedFiles::Open(const std::string& path, platform::OpenMode mode) {
    // Files read, or opened to be changed in place, are the host's as they are.
    if (mode != platform::OpenMode::CreateWriteOnly) return host_.Open(path, mode);
    std::string why;
    auto file = platform::CreateOutputFile(path, &why);
    if (!file) {
        NoteFailure("cannot write " + path + ": " + why);
        return nullptr;
    }
    return std::make_unique<NotedFile>(std::move(file), *this, path);
}

}  // namespace mendora::tools
