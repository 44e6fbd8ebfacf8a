#include "vdrive/Trace.h"

#include <fcntl.h>
#include <unistd.h>

namespace mendora::vdrive {

namespace {

void AppendHex(std::string& out, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

const char* DirectionName(Direction d) {
    switch (d) {
        case Direction::In: return "in";
        case Direction::Out: return "out";
        default: return "none";
    }
}

}  // namespace

std::string TraceLine(const Command& command, const Reply& reply) {
    std::string line;
    for (std::size_t i = 0; i < command.cdb.size(); ++i) {
        if (i > 0) line += ' ';
        AppendHex(line, command.cdb[i]);
    }
    std::size_t length = command.direction == Direction::None ? 0 : command.data.size();
    line += " | ";
    line += DirectionName(command.direction);
    line += ' ' + std::to_string(length) + " | ";
    line += reply.TransportOk() ? "ok " : "fail ";
    AppendHex(line, reply.status);
    return line;
}

TraceFile::TraceFile(const std::string& path)
    : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}

TraceFile::~TraceFile() {
    if (fd_ >= 0) ::close(fd_);
}

void TraceFile::Append(const std::string& line) {
    if (fd_ < 0) return;
    std::string whole = line + '\n';
    [[maybe_unused]] ssize_t ignored = ::write(fd_, whole.data(), whole.size());
}

}  // namespace mendora::vdrive
