#include "records/LabRecordStore.h"

#include "records/PostgresRecordStore.h"
#include "records/ServerAddress.h"

namespace mendora::records {

namespace {

// How many waiting records are read from the file at a time.
constexpr std::size_t kSendBatch = 64;

}  // namespace

LabRecordStore::LabRecordStore(std::unique_ptr<SqliteRecordStore> local, std::string shownServer,
                               ServerOpener openServer)
    : local_(std::move(local)), shownServer_(std::move(shownServer)), openServer_(std::move(openServer)) {}

bool LabRecordStore::Append(const DriveRecord& record, std::string* error) {
    return HasServer() ? local_->AppendForServer(record, error) : local_->Append(record, error);
}

bool LabRecordStore::History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) {
    if (RecordStore* server = Server()) {
        std::string why;
        if (server->History(stick, records, &why)) return true;
        ServerFailed("did not answer", why);
    }
    return local_->History(stick, records, error);
}

bool LabRecordStore::Stats(const std::string& since, RecordStats* stats, std::string* error) {
    if (RecordStore* server = Server()) {
        std::string why;
        if (server->Stats(since, stats, &why)) return true;
        ServerFailed("did not answer", why);
    }
    return local_->Stats(since, stats, error);
}

LabRecordStore::Sending LabRecordStore::SendPending() {
    Sending sending;
    if (!HasServer()) return sending;
    std::string error;
    std::vector<DriveRecord> batch;
    RecordStore* server = Server();
    while (server) {
        if (!local_->Pending(kSendBatch, &batch, &error)) {
            sending.problem = "the records kept here cannot be read: " + error;
            break;
        }
        if (batch.empty()) break;
        for (const auto& record : batch) {
            if (!server->Append(record, &error)) {
                ServerFailed("did not take record " + record.runId, error);
                server = nullptr;
                break;
            }
            if (!local_->MarkSent(record.runId, &error)) {
                // Sent, but still marked: sent again later, which the server takes as a no-op.
                sending.problem = "record " + record.runId + " is on the server but cannot be marked sent: " + error;
                server = nullptr;
                break;
            }
            ++sending.sent;
        }
    }
    if (sending.problem.empty()) sending.problem = problem_;
    if (!local_->PendingCount(&sending.pending, &error) && sending.problem.empty())
        sending.problem = "the records kept here cannot be read: " + error;
    return sending;
}

RecordStore* LabRecordStore::Server() {
    if (!HasServer()) return nullptr;
    if (!tried_) {
        tried_ = true;
        std::string error;
        server_ = openServer_(&error);
        if (!server_) ServerFailed("cannot be used", error);
    }
    return server_.get();
}

void LabRecordStore::ServerFailed(const std::string& what, const std::string& error) {
    server_.reset();
    if (problem_.empty()) problem_ = "the server " + shownServer_ + " " + what + ": " + error;
}

std::unique_ptr<LabRecordStore> OpenRecords(const RecordSettings& settings, std::string* error) {
    if (settings.database.empty()) return *error = "no place for the records database (no home folder)", nullptr;
    auto local = SqliteRecordStore::Open(settings.database, error);
    if (!local) return nullptr;
    const std::string address = settings.server;
    LabRecordStore::ServerOpener open = [address](std::string* why) -> std::unique_ptr<RecordStore> {
        return PostgresRecordStore::Open(address, why);
    };
    return std::make_unique<LabRecordStore>(std::move(local), address.empty() ? "" : ShownServerAddress(address),
                                            std::move(open));
}

}  // namespace mendora::records
