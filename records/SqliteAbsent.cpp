// A build without SQLite: no store opens, and every program says so instead of recording.
#include "records/SqliteRecordStore.h"

namespace mendora::records {

namespace {
constexpr const char* kNotBuilt = "this build keeps no records (it was made without SQLite)";
}

bool SqliteRecordStore::Built() { return false; }

std::unique_ptr<SqliteRecordStore> SqliteRecordStore::Open(const std::string&, std::string* error) {
    *error = kNotBuilt;
    return nullptr;
}

SqliteRecordStore::~SqliteRecordStore() = default;

bool SqliteRecordStore::Append(const DriveRecord&, std::string* error) { return *error = kNotBuilt, false; }

bool SqliteRecordStore::History(const std::string&, std::vector<DriveRecord>*, std::string* error) {
    return *error = kNotBuilt, false;
}

bool SqliteRecordStore::Stats(const std::string&, RecordStats*, std::string* error) {
    return *error = kNotBuilt, false;
}

bool SqliteRecordStore::AppendForServer(const DriveRecord&, std::string* error) { return *error = kNotBuilt, false; }

bool SqliteRecordStore::Pending(std::size_t, std::vector<DriveRecord>*, std::string* error) {
    return *error = kNotBuilt, false;
}

bool SqliteRecordStore::PendingCount(std::uint64_t*, std::string* error) { return *error = kNotBuilt, false; }

bool SqliteRecordStore::MarkSent(const std::string&, std::string* error) { return *error = kNotBuilt, false; }

}  // namespace mendora::records
