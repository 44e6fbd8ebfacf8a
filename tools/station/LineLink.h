#pragma once
#include <cstdio>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace mendora::station {

// The worker's side of its pipe to the station: one JSON object per line, whole lines
// only, from any thread.
class LineWriter {
public:
    explicit LineWriter(std::FILE* stream) : stream_(stream) {}
    // False once the station has gone away.
    bool Send(const nlohmann::json& message);

private:
    std::FILE* stream_;
    std::mutex mutex_;
};

// The station's side: bytes as they come, whole lines as they are complete.
class LineReader {
public:
    void Add(const char* bytes, std::size_t size) { pending_.append(bytes, size); }
    // The next complete line parsed; discarded (and skipped) when it is not a JSON object.
    bool Next(nlohmann::json* message);

private:
    static constexpr std::size_t kMaxLine = 1 << 20;
    std::string pending_;
};

}  // namespace mendora::station
