#include "records/ServerAddress.h"

#include <algorithm>
#include <cctype>

namespace mendora::records {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// The query without its password=... parameters (the name compared without regard to case).
std::string QueryWithoutPassword(const std::string& query) {
    std::string kept;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string parameter = query.substr(start, end - start);
        if (!parameter.empty() && !StartsWithNoCase(parameter, "password="))
            kept += (kept.empty() ? "" : "&") + parameter;
        start = end + 1;
    }
    return kept;
}

}  // namespace

bool IsServerAddress(const std::string& text) {
    return StartsWithNoCase(text, "postgresql://") || StartsWithNoCase(text, "postgres://");
}

std::string ShownServerAddress(const std::string& address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string::npos) return address;
    const std::size_t authorityStart = scheme + 3;
    const std::size_t question = address.find('?', authorityStart);
    const std::string beforeQuery = address.substr(0, question);
    // The user part ends at the last '@' before the path: a password may hold '@' or '/'
    // only percent-encoded, but a careless one is still hidden whole.
    std::string shown = beforeQuery;
    const std::size_t at = beforeQuery.rfind('@');
    if (at != std::string::npos && at > authorityStart) {
        const std::size_t colon = beforeQuery.find(':', authorityStart);
        if (colon != std::string::npos && colon < at)
            shown = beforeQuery.substr(0, colon) + beforeQuery.substr(at);
    }
    if (question == std::string::npos) return shown;
    const std::string query = QueryWithoutPassword(address.substr(question + 1));
    return query.empty() ? shown : shown + "?" + query;
}

}  // namespace mendora::records
