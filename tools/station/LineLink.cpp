#include "tools/station/LineLink.h"


namespace mendora::station {

bool LineWriter::Send(const nlohmann::json& message) {
    // Replacement keeps odd bytes of drive texts from failing the whole line.
    std::string line = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::lock_guard lock(mutex_);
    return std::fwrite(line.data(), 1, line.size(), stream_) == line.size() && std::fflush(stream_) == 0;
}

bool LineReader::Next(nlohmann::json* message) {
    for (;;) {
        std::size_t end = pending_.find('\n');
        if (end == std::string::npos) {
            // A worker writing without end never makes the station hold unbounded text.
            if (pending_.size() > kMaxLine) pending_.clear();
            return false;
        }
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
        if (parsed.is_object()) {
            *message = std::move(parsed);
            return true;
        }
    }
}

}  // namespace mendora::station
