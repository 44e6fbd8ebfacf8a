#pragma once
#include <string>

#include "records/RecordStore.h"

struct sqlite3;

namespace mendora::records {

// Records in one SQLite file: WAL, so that several stations on one machine write at once,
// and a wait of a few seconds for a writer that holds the file.
class SqliteRecordStore : public RecordStore {
public:
    // Opens (creating it and its folder when missing) and brings the schema up to date.
    // Refuses a damaged file, another program's database and one made by a newer version.
    static std::unique_ptr<SqliteRecordStore> Open(const std::string& path, std::string* error);
    // False in a build made without SQLite, whose programs keep no records.
    static bool Built();
    ~SqliteRecordStore() override;

    bool Append(const DriveRecord& record, std::string* error) override;
    bool History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) override;
    bool Stats(const std::string& since, RecordStats* stats, std::string* error) override;

private:
    explicit SqliteRecordStore(sqlite3* db) : db_(db) {}
    bool Prepare(std::string* error);
    bool Migrate(std::string* error);
    bool ReadBlocksAndTimes(DriveRecord* record, std::string* error);

    sqlite3* db_;
};

}  // namespace mendora::records
