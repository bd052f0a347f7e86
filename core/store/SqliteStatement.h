#pragma once

#include <sqlite3.h>
#include <string>

namespace orbisel::core {

// One prepared statement, finalized when it goes out of scope.
class SqliteStatement {
public:
    SqliteStatement(sqlite3 *db, const char *sql) {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool prepared() const { return m_rc == SQLITE_OK; }
    SqliteStatement &bind(int i, long long v) {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    SqliteStatement &bind(int i, const std::string &v) {
        sqlite3_bind_text(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    SqliteStatement &bindBlob(int i, const std::string &v) {
        sqlite3_bind_blob(m_stmt, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    SqliteStatement &bindReal(int i, double v) {
        sqlite3_bind_double(m_stmt, i, v);
        return *this;
    }
    SqliteStatement &bindNull(int i) {
        sqlite3_bind_null(m_stmt, i);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return m_rc = sqlite3_step(m_stmt); }
    void reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    int rc() const { return m_rc; }
    long long integer(int i) const { return sqlite3_column_int64(m_stmt, i); }
    double real(int i) const { return sqlite3_column_double(m_stmt, i); }
    bool isNull(int i) const { return sqlite3_column_type(m_stmt, i) == SQLITE_NULL; }
    std::string text(int i) const {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt, i));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, i))) : std::string();
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

} // namespace orbisel::core
