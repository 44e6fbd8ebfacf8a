#pragma once
#include <string>

#include "records/RecordStore.h"

struct sqlite3;

namespace mendora::records {

class SqliteStatement;

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

    // The spool for a lab's server: Append, with the record also marked as still to be
    // sent, in the same transaction.
    bool AppendForServer(const DriveRecord& record, std::string* error);
    // Up to `limit` records still to be sent, oldest first.
    bool Pending(std::size_t limit, std::vector<DriveRecord>* records, std::string* error);
    bool PendingCount(std::uint64_t* count, std::string* error);
    // The record is on the server: no longer to be sent. A record not marked is no error.
    bool MarkSent(const std::string& runId, std::string* error);

private:
    explicit SqliteRecordStore(sqlite3* db) : db_(db) {}
    bool Prepare(std::string* error);
    bool Migrate(std::string* error);
    bool Insert(const DriveRecord& record, bool forServer, std::string* error);
    bool ReadWhole(SqliteStatement& runs, std::vector<DriveRecord>* records, std::string* error);
    bool ReadBlocksAndTimes(DriveRecord* record, std::string* error);

    sqlite3* db_;
};

}  // namespace mendora::records
