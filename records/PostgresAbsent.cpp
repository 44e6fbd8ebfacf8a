// A build without PostgreSQL's client library: no server opens, and the programs say so.
#include "records/PostgresRecordStore.h"

namespace mendora::records {

namespace {
constexpr const char* kNoServers =
    "this build cannot send records to a server (it was made without PostgreSQL's client library)";
}

bool PostgresRecordStore::Built() { return false; }

std::unique_ptr<PostgresRecordStore> PostgresRecordStore::Open(const std::string&, std::string* error) {
    *error = kNoServers;
    return nullptr;
}

PostgresRecordStore::~PostgresRecordStore() = default;

bool PostgresRecordStore::Append(const DriveRecord&, std::string* error) { return *error = kNoServers, false; }

bool PostgresRecordStore::History(const std::string&, std::vector<DriveRecord>*, std::string* error) {
    return *error = kNoServers, false;
}

bool PostgresRecordStore::Stats(const std::string&, RecordStats*, std::string* error) {
    return *error = kNoServers, false;
}

}  // namespace mendora::records
