#include "vdrive/Trace.h"

#include <cstdio>

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

TraceFile::TraceFile(const std::string& path) : file_(std::fopen(path.c_str(), "ab")) {}

TraceFile::~TraceFile() {
    if (file_ != nullptr) std::fclose(file_);
}

// One write per line, flushed at once, so that lines of several openers do not interleave.
void TraceFile::Append(const std::string& line) {
    if (file_ == nullptr) return;
    std::string whole = line + '\n';
    std::fwrite(whole.data(), 1, whole.size(), file_);
    std::fflush(file_);
}

}  // namespace mendora::vdrive
