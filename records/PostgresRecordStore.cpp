#include "records/PostgresRecordStore.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "records/PostgresSchema.h"
#include "records/SqliteSchema.h"
#include "records/StatsCounting.h"

namespace mendora::records {

namespace {

// The longest run of bad blocks sent in one statement: well under the protocol's 65535
// parameters.
constexpr std::size_t kRowsPerInsert = 500;

// One result, cleared with the object.
class PgResult {
public:
    explicit PgResult(PGresult* result = nullptr) : result_(result) {}
    ~PgResult() { PQclear(result_); }
    PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    bool Ok() const {
        const auto status = PQresultStatus(result_);
        return result_ && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
    }
    int Rows() const { return PQntuples(result_); }
    std::string Text(int row, int column) const {
        return std::string(PQgetvalue(result_, row, column), std::size_t(PQgetlength(result_, row, column)));
    }
    long long Int(int row, int column) const { return std::strtoll(PQgetvalue(result_, row, column), nullptr, 10); }
    double Real(int row, int column) const { return std::strtod(PQgetvalue(result_, row, column), nullptr); }

private:
    PGresult* result_;
};

// libpq's messages run over several lines, with indents: one line of them, each of its
// lines a sentence.
std::string PgOneLine(const char* message) {
    std::string line;
    bool newLine = false;
    for (const char* c = message ? message : ""; *c; ++c) {
        if (*c == '\n') newLine = true;
        if (*c == ' ' || *c == '\n' || *c == '\t' || *c == '\r') continue;
        if (!line.empty()) {
            if (newLine && std::string(".:;,?!").find(line.back()) == std::string::npos) line += '.';
            const char before = c[-1];
            if (newLine || before == ' ' || before == '\t' || before == '\r') line += ' ';
        }
        newLine = false;
        line += *c;
    }
    return line.empty() ? "the server did not say why" : line;
}

// The length of the valid UTF-8 sequence at text[i], or 0.
std::size_t PgUtf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead >= 0x01 && lead < 0x80) return 1;
    std::size_t length = lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    if ((lead == 0xE0 && byte(i + 1) < 0xA0) || (lead == 0xED && byte(i + 1) >= 0xA0) ||
        (lead == 0xF0 && byte(i + 1) < 0x90) || (lead == 0xF4 && byte(i + 1) >= 0x90))
        return 0;
    return length;
}

// Text as the server takes it: valid UTF-8 without NULs. A serial or an answer of a drive
// may hold any bytes; each byte the server would refuse becomes U+FFFD, so that a record
// is never refused for its text and the ones after it are not held up behind it.
std::string PgText(const std::string& text) {
    std::string valid;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = PgUtf8Length(text, i)) {
            valid.append(text, i, length), i += length;
        } else {
            valid += "\xEF\xBF\xBD", ++i;
        }
    }
    return valid;
}

// A statement with its parameters as text (each made valid for the server first).
PgResult PgQuery(PGconn* connection, const std::string& sql, const std::vector<std::string>& params,
                 std::string* error) {
    std::vector<std::string> texts;
    for (const auto& p : params) texts.push_back(PgText(p));
    std::vector<const char*> values;
    for (const auto& t : texts) values.push_back(t.c_str());
    PgResult result(PQexecParams(connection, sql.c_str(), int(values.size()), nullptr, values.data(), nullptr,
                                 nullptr, 0));
    if (!result.Ok()) *error = PgOneLine(PQerrorMessage(connection));
    return result;
}

bool PgRun(PGconn* connection, const std::string& sql, std::string* error) {
    PgResult result(PQexec(connection, sql.c_str()));
    if (result.Ok()) return true;
    *error = PgOneLine(PQerrorMessage(connection));
    return false;
}

// Undoes an open transaction unless it was committed.
class PgTransaction {
public:
    explicit PgTransaction(PGconn* connection) : connection_(connection) {}
    ~PgTransaction() {
        if (open_) PQclear(PQexec(connection_, "ROLLBACK"));
    }
    bool Begin(const char* sql, std::string* error) { return open_ = PgRun(connection_, sql, error); }
    bool Commit(std::string* error) {
        open_ = false;
        return PgRun(connection_, "COMMIT", error);
    }

private:
    PGconn* connection_;
    bool open_ = false;
};

std::string PgNumber(long long value) { return std::to_string(value); }

std::string PgReal(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

constexpr const char* kPgRunColumns =
    "run_id, stick, serial, port, drive, description, chip_id, chip_version, flash_id, capacity_bytes, "
    "firmware_before, firmware_after, geometry, bytes_written, bytes_read, verdict, reason, status_code, "
    "library_error, host, program_version, recorded_at, total_blocks, bad_block_count";

std::vector<std::string> PgRunValues(const DriveRecord& d) {
    return {d.runId, d.stick, d.serial, d.port, d.drive, d.description, PgNumber(d.chipId),
            PgNumber(d.chipVersion), d.flashId, PgNumber((long long)(d.capacityBytes)), d.firmwareBefore,
            d.firmwareAfter, d.geometry, PgNumber((long long)(d.bytesWritten)), PgNumber((long long)(d.bytesRead)),
            d.verdict, d.reason, PgNumber(d.statusCode), PgNumber(d.libraryError), d.host, d.programVersion,
            d.recordedAt, PgNumber((long long)(d.totalBlocks)), PgNumber((long long)(d.badBlocks.size()))};
}

DriveRecord PgRunOf(const PgResult& r, int row) {
    DriveRecord d;
    d.runId = r.Text(row, 0), d.stick = r.Text(row, 1), d.serial = r.Text(row, 2), d.port = r.Text(row, 3);
    d.drive = r.Text(row, 4), d.description = r.Text(row, 5), d.chipId = int(r.Int(row, 6));
    d.chipVersion = int(r.Int(row, 7)), d.flashId = r.Text(row, 8), d.capacityBytes = std::uint64_t(r.Int(row, 9));
    d.firmwareBefore = r.Text(row, 10), d.firmwareAfter = r.Text(row, 11), d.geometry = r.Text(row, 12);
    d.bytesWritten = std::uint64_t(r.Int(row, 13)), d.bytesRead = std::uint64_t(r.Int(row, 14));
    d.verdict = r.Text(row, 15), d.reason = r.Text(row, 16), d.statusCode = int(r.Int(row, 17));
    d.libraryError = r.Int(row, 18), d.host = r.Text(row, 19), d.programVersion = r.Text(row, 20);
    d.recordedAt = r.Text(row, 21), d.totalBlocks = std::uint64_t(r.Int(row, 22));
    return d;
}

// "INSERT INTO table (columns) VALUES ($1, $2::int, ...), (...)": `rows` rows of the
// column casts given, numbered from 1.
std::string PgInsertRows(const char* table, const char* columns, const std::vector<const char*>& casts,
                         std::size_t rows) {
    std::string sql = std::string("INSERT INTO ") + table + " (" + columns + ") VALUES ";
    std::size_t n = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        sql += row ? ", (" : "(";
        for (std::size_t c = 0; c < casts.size(); ++c)
            sql += (c ? ", $" : "$") + std::to_string(++n) + casts[c];
        sql += ")";
    }
    return sql;
}

void PgIgnoreNotice(void*, const char*) {}

}  // namespace

bool PostgresRecordStore::Built() { return true; }

std::unique_ptr<PostgresRecordStore> PostgresRecordStore::Open(const std::string& address, std::string* error) {
    // The address's own settings win over these defaults, as they come after them.
    const std::string timeout = std::to_string(kConnectSeconds);
    const char* keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {timeout.c_str(), "mendora", address.c_str(), nullptr};
    PGconn* connection = PQconnectdbParams(keys, values, 1);
    if (!connection) return *error = "out of memory", nullptr;
    std::unique_ptr<PostgresRecordStore> store(new PostgresRecordStore(connection));
    if (PQstatus(connection) != CONNECTION_OK) return *error = PgOneLine(PQerrorMessage(connection)), nullptr;
    PQsetNoticeProcessor(connection, PgIgnoreNotice, nullptr);
    if (!PgRun(connection, "SET search_path TO mendora", error) || !store->Migrate(error)) return nullptr;
    return store;
}

PostgresRecordStore::~PostgresRecordStore() { PQfinish(connection_); }

// A server at the latest version is left as it is; otherwise the steps are taken under a
// lock that every station asks for, so that stations starting at once migrate it once.
bool PostgresRecordStore::Migrate(std::string* error) {
    std::string unread;
    PgResult version = PgQuery(connection_, "SELECT version FROM schema_version", {}, &unread);
    if (version.Ok() && version.Rows() == 1 && version.Int(0, 0) == LatestServerSchemaVersion()) return true;
    return MigrateLocked(error);
}

bool PostgresRecordStore::MigrateLocked(std::string* error) {
    PgTransaction transaction(connection_);
    if (!transaction.Begin("BEGIN", error)) return false;
    if (!PgQuery(connection_, "SELECT pg_advisory_xact_lock($1)", {PgNumber(kRecordsApplicationId)}, error).Ok())
        return false;
    // CREATE SCHEMA asks for the right to create in the database even when the schema is
    // there, so it is only asked for when it is not.
    PgResult present = PgQuery(connection_, "SELECT 1 FROM pg_namespace WHERE nspname = 'mendora'", {}, error);
    if (!present.Ok()) return false;
    if (present.Rows() == 0 && !PgRun(connection_, "CREATE SCHEMA mendora", error)) return false;
    if (!PgRun(connection_, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", error))
        return false;
    PgResult row = PgQuery(connection_, "SELECT version FROM schema_version", {}, error);
    if (!row.Ok()) return false;
    if (row.Rows() == 0 && !PgRun(connection_, "INSERT INTO schema_version VALUES (0)", error)) return false;
    const int version = row.Rows() == 0 ? 0 : int(row.Int(0, 0));
    if (version > LatestServerSchemaVersion())
        return *error = "made by a newer version of Mendora (records schema " + std::to_string(version) +
                        ", this one knows up to " + std::to_string(LatestServerSchemaVersion()) + ")",
               false;
    for (int step = version; step < LatestServerSchemaVersion(); ++step) {
        if (!PgRun(connection_, ServerSchemaSteps()[std::size_t(step)], error)) {
            *error = "schema step " + std::to_string(step + 1) + ": " + *error;
            return false;
        }
    }
    const std::string mark = "UPDATE schema_version SET version = " + std::to_string(LatestServerSchemaVersion());
    return PgRun(connection_, mark, error) && transaction.Commit(error);
}

bool PostgresRecordStore::Append(const DriveRecord& d, std::string* error) {
    PgTransaction transaction(connection_);
    if (!transaction.Begin("BEGIN", error)) return false;
    std::string insert = std::string("INSERT INTO runs (") + kPgRunColumns + ") VALUES (";
    for (int i = 1; i <= 24; ++i) insert += (i > 1 ? ", $" : "$") + std::to_string(i);
    insert += ") ON CONFLICT (run_id) DO NOTHING RETURNING run_id";
    PgResult run = PgQuery(connection_, insert, PgRunValues(d), error);
    if (!run.Ok()) return false;
    // The server has this run already (sent before, its mark lost): nothing more to do.
    if (run.Rows() == 0) return true;
    PgResult count = PgQuery(connection_,
                             "INSERT INTO run_counts (day, verdict, reason, bad_block_count, runs) VALUES "
                             "(substr($1::text, 1, 10), $2::text, CASE WHEN $2::text IN ('repaired', 'repaired, "
                             "retire') THEN '' ELSE $3::text END, $4::bigint, 1) "
                             "ON CONFLICT (day, verdict, reason, bad_block_count) DO UPDATE SET runs = run_counts.runs + 1",
                             {d.recordedAt, d.verdict, d.reason, PgNumber((long long)(d.badBlocks.size()))}, error);
    if (!count.Ok() || !InsertBlocksAndTimes(d, error)) return false;
    return transaction.Commit(error);
}

bool PostgresRecordStore::InsertBlocksAndTimes(const DriveRecord& d, std::string* error) {
    for (std::size_t first = 0; first < d.badBlocks.size(); first += kRowsPerInsert) {
        const std::size_t rows = std::min(kRowsPerInsert, d.badBlocks.size() - first);
        std::vector<std::string> params;
        for (std::size_t i = first; i < first + rows; ++i) {
            const auto& b = d.badBlocks[i];
            params.insert(params.end(), {d.runId, PgNumber(b.chip), PgNumber(b.block), b.why});
        }
        const auto sql = PgInsertRows("bad_blocks", "run_id, chip, block, why", {"", "::int", "::int", ""}, rows);
        if (!PgQuery(connection_, sql, params, error).Ok()) return false;
    }
    if (d.phaseSeconds.empty()) return true;
    std::vector<std::string> params;
    for (const auto& [phase, seconds] : d.phaseSeconds) params.insert(params.end(), {d.runId, phase, PgReal(seconds)});
    const auto sql = PgInsertRows("phase_seconds", "run_id, phase, seconds", {"", "", "::float8"}, d.phaseSeconds.size());
    return PgQuery(connection_, sql, params, error).Ok();
}

bool PostgresRecordStore::History(const std::string& stick, std::vector<DriveRecord>* records, std::string* error) {
    records->clear();
    // One snapshot: a record another station adds meanwhile is seen whole or not at all.
    PgTransaction transaction(connection_);
    if (!transaction.Begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", error)) return false;
    PgResult runs = PgQuery(connection_,
                            std::string("SELECT ") + kPgRunColumns +
                                " FROM runs WHERE stick = $1 ORDER BY recorded_at, arrival",
                            {stick}, error);
    if (!runs.Ok()) return false;
    PgResult blocks = PgQuery(connection_,
                              "SELECT b.run_id, b.chip, b.block, b.why FROM bad_blocks b JOIN runs r USING (run_id) "
                              "WHERE r.stick = $1 ORDER BY b.chip, b.block",
                              {stick}, error);
    if (!blocks.Ok()) return false;
    PgResult times = PgQuery(connection_,
                             "SELECT p.run_id, p.phase, p.seconds FROM phase_seconds p JOIN runs r USING (run_id) "
                             "WHERE r.stick = $1",
                             {stick}, error);
    if (!times.Ok()) return false;
    std::map<std::string, std::size_t> index;
    for (int row = 0; row < runs.Rows(); ++row) {
        index[runs.Text(row, 0)] = records->size();
        records->push_back(PgRunOf(runs, row));
    }
    for (int row = 0; row < blocks.Rows(); ++row)
        (*records)[index.at(blocks.Text(row, 0))].badBlocks.push_back(
            {int(blocks.Int(row, 1)), int(blocks.Int(row, 2)), blocks.Text(row, 3)});
    for (int row = 0; row < times.Rows(); ++row)
        (*records)[index.at(times.Text(row, 0))].phaseSeconds[times.Text(row, 1)] = times.Real(row, 2);
    return transaction.Commit(error);
}

bool PostgresRecordStore::Stats(const std::string& since, RecordStats* stats, std::string* error) {
    *stats = {};
    PgTransaction transaction(connection_);
    if (!transaction.Begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", error)) return false;
    PgResult reasons = PgQuery(connection_,
                               "SELECT verdict, reason, sum(runs) FROM run_counts WHERE day >= $1 "
                               "GROUP BY verdict, reason",
                               {since}, error);
    if (!reasons.Ok()) return false;
    PgResult counts = PgQuery(connection_,
                              "SELECT bad_block_count, sum(runs) FROM run_counts WHERE day >= $1 "
                              "GROUP BY bad_block_count ORDER BY bad_block_count",
                              {since}, error);
    if (!counts.Ok()) return false;
    for (int row = 0; row < reasons.Rows(); ++row)
        CountVerdict(reasons.Text(row, 0), reasons.Text(row, 1), std::uint64_t(reasons.Int(row, 2)), stats);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> perCount;
    for (int row = 0; row < counts.Rows(); ++row)
        perCount.push_back({std::uint64_t(counts.Int(row, 0)), std::uint64_t(counts.Int(row, 1))});
    DistributeBadBlocks(perCount, stats);
    return transaction.Commit(error);
}

}  // namespace mendora::records
