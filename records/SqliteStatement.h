#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace mendora::records {

// One prepared statement, finalized with the object. Binds count from 1.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
    }
    ~SqliteStatement() { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    SqliteStatement& Bind(int i, const std::string& text) {
        sqlite3_bind_text(statement_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    SqliteStatement& Bind(int i, std::int64_t value) {
        sqlite3_bind_int64(statement_, i, value);
        return *this;
    }
    SqliteStatement& Bind(int i, double value) {
        sqlite3_bind_double(statement_, i, value);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
    bool Run() { return Step() == SQLITE_DONE; }
    // Ready to run again with new values.
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : "";
    }
    // The database's last error, for messages.
    std::string Error() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace mendora::records
