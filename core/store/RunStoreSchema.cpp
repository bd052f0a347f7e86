#include "core/store/RunStore.h"
#include "core/store/SqliteStatement.h"
#include "web/SaveFile.h"

#include <algorithm>
#include <iterator>
#include <sqlite3.h>

// The tables of a store, their migrations and the copy taken before one.
namespace orbisel::core {
namespace {

// The tables of version 1; a new store takes the migrations from there as well.
constexpr const char *kSchema = R"(
CREATE TABLE runs(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, options TEXT NOT NULL,
  state INTEGER NOT NULL, started INTEGER NOT NULL, updated INTEGER NOT NULL,
  queries_done INTEGER NOT NULL DEFAULT 0, queries_planned INTEGER NOT NULL DEFAULT 0,
  words INTEGER NOT NULL DEFAULT 0);
CREATE TABLE queries(run INTEGER NOT NULL, ordinal INTEGER NOT NULL, depth INTEGER NOT NULL,
  text TEXT NOT NULL, seed INTEGER NOT NULL, parent TEXT NOT NULL, state INTEGER NOT NULL,
  PRIMARY KEY(run, ordinal)) WITHOUT ROWID;
CREATE TABLE answers(id INTEGER PRIMARY KEY, run INTEGER NOT NULL, kind INTEGER NOT NULL,
  query TEXT NOT NULL, fetched INTEGER NOT NULL, body BLOB NOT NULL);
CREATE INDEX answers_request ON answers(kind, query, fetched);
CREATE INDEX answers_run ON answers(run);
CREATE TABLE results(run INTEGER NOT NULL, pos INTEGER NOT NULL, word TEXT NOT NULL, seed TEXT NOT NULL,
  sources INTEGER NOT NULL, listings INTEGER, depth INTEGER NOT NULL, parent TEXT NOT NULL,
  occurrences INTEGER NOT NULL, PRIMARY KEY(run, pos)) WITHOUT ROWID;
)";

// The steps from each version to the next; kMigrations[v - 1] leads from v to v + 1.
constexpr const char *kMigrations[] = {
    // Runs stored so far keep their count of one per query and source.
    "ALTER TABLE runs ADD COLUMN occurrence_rule INTEGER NOT NULL DEFAULT 0;",
    // Rows stored so far have no popularity sum.
    "ALTER TABLE results ADD COLUMN popularity REAL;",
};

} // namespace

StoreError RunStore::newerProgram(const std::string &path, int version) {
    return {StoreErrorKind::NewerProgram, path + " (store version " + std::to_string(version) + ")"};
}

// The version of the store as it is now; -1 when it cannot be read.
int RunStore::storedVersion() const {
    SqliteStatement v(m_db, "PRAGMA user_version");
    return v.prepared() && v.step() == SQLITE_ROW ? static_cast<int>(v.integer(0)) : -1;
}

// Creates the tables of a new store or migrates an older one, in one
// transaction; another process may have done it meanwhile. An older store is
// first copied beside itself as it stands (mining.sqlite.bak-<version>).
Result<void, StoreError> RunStore::upgrade() {
    static_assert(std::size(kMigrations) == kSchemaVersion - 1);
    if (auto r = exec("BEGIN IMMEDIATE"); !r.ok())
        return r;
    const int version = storedVersion();
    if (version < 0)
        return rollBack(sqlite3_errcode(m_db));
    if (version >= kSchemaVersion) {
        exec("ROLLBACK");
        if (version > kSchemaVersion)
            return Failure{newerProgram(m_path, version)};
        return {};
    }
    if (version > 0) {
        if (auto r = backUp(m_path + ".bak-" + std::to_string(version)); !r.ok()) {
            exec("ROLLBACK");
            return r;
        }
    }
    std::string steps = version == 0 ? kSchema : "";
    for (int v = std::max(version, 1); v < kSchemaVersion; ++v)
        steps += kMigrations[v - 1];
    steps += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    if (auto r = exec(steps.c_str()); !r.ok()) {
        exec("ROLLBACK");
        return r;
    }
    return commitTransaction();
}

// A consistent copy of the store, replacing the file at `path`. Called while
// this connection holds the write lock: a reader of its own sees the store
// as the last commit left it, with what the WAL holds.
Result<void, StoreError> RunStore::backUp(const std::string &path) {
    std::string problem;
    const bool written = replaceFileAtomically(path, [&](const std::string &tempPath) {
        sqlite3 *source = nullptr;
        sqlite3 *copy = nullptr;
        int rc = sqlite3_open_v2(m_path.c_str(), &source, SQLITE_OPEN_READONLY, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_open_v2(tempPath.c_str(), &copy, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
            rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(copy);
            if (backup && sqlite3_backup_finish(backup) != SQLITE_OK && rc == SQLITE_DONE)
                rc = sqlite3_errcode(copy);
        }
        if (rc != SQLITE_DONE)
            problem = copy ? sqlite3_errmsg(copy) : source ? sqlite3_errmsg(source) : sqlite3_errstr(rc);
        sqlite3_close_v2(copy);
        sqlite3_close_v2(source);
        return rc == SQLITE_DONE;
    });
    if (!written)
        return Failure{
            StoreError{StoreErrorKind::WriteFailed, path + ": the copy before the upgrade failed" +
                                                        (problem.empty() ? std::string() : ": " + problem)}};
    return {};
}

} // namespace orbisel::core
