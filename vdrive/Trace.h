#pragma once
#include <cstdio>
#include <string>

#include "vdrive/Command.h"

namespace mendora::vdrive {

// One trace line (without its line end):
// "<CDB as upper-case hex pairs> | <in|out|none> <data length> | <ok|fail> <status>".
std::string TraceLine(const Command& command, const Reply& reply);

// Appends trace lines to a file, one write per line so that processes sharing the file
// never interleave within a line.
class TraceFile {
public:
    explicit TraceFile(const std::string& path);
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    void Append(const std::string& line);

private:
    std::FILE* file_;
};

}  // namespace mendora::vdrive
