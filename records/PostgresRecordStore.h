#pragma once
#include <memory>
#include <string>

#include "records/RecordStore.h"

struct pg_conn;

namespace mendora::records {

// The records of a lab's stations on one PostgreSQL server. The run id is the key: a record
// the server has already is taken again without a change, so a record sent twice is kept
// once. Each record goes in one transaction.
class PostgresRecordStore : public RecordStore {
public:
    // How long a connection may take before the server is taken as unreachable, unless the
    // address gives its own connect_timeout.
    static constexpr int kConnectSeconds = 5;

    // Connects to `address` (postgresql://...) and creates or brings up to date the schema.
    // Refuses a server whose schema a newer version made. *error never holds the password.
    static std::unique_ptr<PostgresRecordStore> Open(const std::string& address, std::string* error);
    // False in a build made without PostgreSQL's client library.
    static bool Built();
    ~PostgresRecordStore() override;

    bool Append(const DriveRecord& record, std::string* error) override;
    bool History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) override;
    bool Stats(const std::string& since, RecordStats* stats, std::string* error) override;

private:
    explicit PostgresRecordStore(pg_conn* connection) : connection_(connection) {}
    bool Migrate(std::string* error);
    bool MigrateLocked(std::string* error);
    bool InsertBlocksAndTimes(const DriveRecord& record, std::string* error);

    pg_conn* connection_;
};

}  // namespace mendora::records
