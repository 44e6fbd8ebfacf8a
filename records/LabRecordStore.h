#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "records/RecordSettings.h"
#include "records/RecordStore.h"
#include "records/SqliteRecordStore.h"

namespace mendora::records {

// The records a program keeps: always the machine's own SQLite file, written first, and
// when the settings name a lab's server, the same records sent there. A record the server
// has not taken yet stays marked in the file and is sent on a later try, oldest first; the
// server keys records by run id, so a record sent twice is kept once. The server is asked
// at most once per object: an unreachable one costs a program one connect timeout.
class LabRecordStore : public RecordStore {
public:
    // Connects to the server; nullptr with the reason when it cannot.
    using ServerOpener = std::function<std::unique_ptr<RecordStore>(std::string* error)>;

    // `shownServer` names the server in messages (no password); empty when there is none.
    LabRecordStore(std::unique_ptr<SqliteRecordStore> local, std::string shownServer, ServerOpener openServer);

    // Into the local file, marked to be sent when there is a server; nothing is sent here.
    bool Append(const DriveRecord& record, std::string* error) override;
    // The server's answer when there is one and it answers, else the local file's
    // (ServerProblem() then says why).
    bool History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) override;
    bool Stats(const std::string& since, RecordStats* stats, std::string* error) override;

    struct Sending {
        std::uint64_t sent = 0;     // taken by the server now
        std::uint64_t pending = 0;  // still to be sent
        std::string problem;        // why some are still to be sent; empty when none are
    };
    // Sends every record still to be sent, oldest first, each marked sent once the server
    // has it; stops at the first the server does not take.
    Sending SendPending();

    bool HasServer() const { return !shownServer_.empty(); }
    const std::string& ShownServer() const { return shownServer_; }
    // Why the server was not used, naming it; empty while it answers.
    const std::string& ServerProblem() const { return problem_; }

private:
    RecordStore* Server();
    void ServerFailed(const std::string& what, const std::string& error);

    std::unique_ptr<SqliteRecordStore> local_;
    std::string shownServer_;
    ServerOpener openServer_;
    std::unique_ptr<RecordStore> server_;
    bool tried_ = false;
    std::string problem_;
};

// The records the settings name: their SQLite file (made when missing) and their server,
// connected to only when first needed. nullptr with the reason when the file cannot be used.
std::unique_ptr<LabRecordStore> OpenRecords(const RecordSettings& settings, std::string* error);

}  // namespace mendora::records
