#include "core/store/RunStore.h"

#include "core/base/UserData.h"
#include "core/store/RunLock.h"
#include "core/store/RunOptionsJson.h"
#include "core/store/SqliteStatement.h"
#include "web/Clock.h"

#include <QDir>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orbisel::core {
namespace {

StoreErrorKind kindOf(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return StoreErrorKind::Corrupt;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreErrorKind::Locked;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return StoreErrorKind::CannotOpen;
    default:
        return StoreErrorKind::WriteFailed;
    }
}

RunSummary summaryOf(SqliteStatement &row) {
    RunSummary s;
    s.id = row.integer(0);
    s.name = row.text(1);
    s.startedUnix = row.integer(2);
    s.state = static_cast<RunState>(row.integer(3));
    s.queriesDone = row.integer(4);
    s.queriesPlanned = row.integer(5);
    s.words = row.integer(6);
    s.occurrenceRule = static_cast<OccurrenceRule>(row.integer(7));
    return s;
}

constexpr const char *kSummaryColumns =
    "SELECT id, name, started, state, queries_done, queries_planned, words, occurrence_rule FROM runs";

} // namespace

RunStore::RunStore(std::string path, sqlite3 *db) : m_path(std::move(path)), m_db(db) {}

RunStore::~RunStore() {
    releaseWriter();
    sqlite3_close_v2(m_db);
}

StoreError RunStore::failure(int sqliteCode) const {
    return StoreError{kindOf(sqliteCode), m_path + ": " + sqlite3_errmsg(m_db)};
}

Result<void, StoreError> RunStore::rollBack(int sqliteCode) {
    const StoreError error = failure(sqliteCode);
    exec("ROLLBACK");
    return Failure{error};
}

Result<void, StoreError> RunStore::commitTransaction() {
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return {};
    return rollBack(sqlite3_errcode(m_db));
}

Result<void, StoreError> RunStore::runFound(int stepCode, long long runId) const {
    if (stepCode == SQLITE_ROW)
        return {};
    if (stepCode == SQLITE_DONE)
        return Failure{StoreError{StoreErrorKind::UnknownRun, "no run " + std::to_string(runId)}};
    return Failure{failure(stepCode)};
}

Result<void, StoreError> RunStore::exec(const char *sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure{failure(sqlite3_errcode(m_db))};
    return {};
}

Result<std::unique_ptr<RunStore>, StoreError> RunStore::open(const std::string &path) {
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(
        path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        StoreError error{StoreErrorKind::CannotOpen,
                         path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))};
        sqlite3_close_v2(db);
        return Failure{error};
    }
    std::unique_ptr<RunStore> store(new RunStore(path, db));
    sqlite3_busy_timeout(db, 10000);
    // Read before anything is written: a foreign or newer file stays as it is.
    const int version = store->storedVersion();
    if (version < 0)
        return Failure{store->failure(sqlite3_errcode(db))};
    int tables = 0;
    {
        SqliteStatement t(db, "SELECT count(*) FROM sqlite_master");
        if (!t.prepared() || t.step() != SQLITE_ROW)
            return Failure{store->failure(sqlite3_errcode(db))};
        tables = static_cast<int>(t.integer(0));
    }
    if (version > kSchemaVersion)
        return Failure{newerProgram(path, version)};
    if (version == 0 && tables > 0)
        return Failure{StoreError{StoreErrorKind::Corrupt, path + ": not a run store"}};
    if (auto r = store->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"); !r.ok())
        return Failure{r.error()};
    if (version < kSchemaVersion) {
        if (auto r = store->upgrade(); !r.ok())
            return Failure{r.error()};
    }
    SqliteStatement check(db,
                          "SELECT id, name, options, state, started, updated, queries_done, queries_planned, "
                          "words, occurrence_rule FROM runs LIMIT 0");
    SqliteStatement checkResults(
        db, "SELECT pos, word, seed, sources, listings, depth, parent, occurrences, popularity FROM results "
            "LIMIT 0");
    if (!check.prepared() || !checkResults.prepared())
        return Failure{StoreError{StoreErrorKind::Corrupt, path + ": run tables damaged"}};
    return store;
}

Result<long long, StoreError> RunStore::createRun(const DeepRunOptions &options) {
    SqliteStatement insert(m_db, "INSERT INTO runs(name, options, state, started, updated, occurrence_rule) "
                                 "VALUES(?, ?, ?, ?, ?, ?)");
    const std::int64_t now = orbisel::nowUnix();
    insert.bind(1, options.name)
        .bind(2, optionsJson(options))
        .bind(3, static_cast<long long>(RunState::Running))
        .bind(4, now)
        .bind(5, now)
        .bind(6, static_cast<long long>(OccurrenceRule::PerAnswer));
    if (insert.step() != SQLITE_DONE)
        return Failure{failure(insert.rc())};
    return static_cast<long long>(sqlite3_last_insert_rowid(m_db));
}

Result<std::vector<RunSummary>, StoreError> RunStore::listRuns() {
    SqliteStatement select(m_db, (std::string(kSummaryColumns) + " ORDER BY id").c_str());
    std::vector<RunSummary> runs;
    while (select.step() == SQLITE_ROW) {
        runs.push_back(summaryOf(select));
        // A run left "running" by a process that is gone stands stopped.
        if (runs.back().state == RunState::Running &&
            !RunLock::heldElsewhere(runLockPath(m_path, runs.back().id)))
            runs.back().state = RunState::Stopped;
    }
    if (select.rc() != SQLITE_DONE)
        return Failure{failure(select.rc())};
    return runs;
}

Result<RunSummary, StoreError> RunStore::summary(long long runId) {
    SqliteStatement select(m_db, (std::string(kSummaryColumns) + " WHERE id = ?").c_str());
    select.bind(1, runId);
    if (auto found = runFound(select.step(), runId); !found.ok())
        return Failure{found.error()};
    RunSummary s = summaryOf(select);
    if (s.state == RunState::Running && m_writerRun != runId &&
        !RunLock::heldElsewhere(runLockPath(m_path, runId)))
        s.state = RunState::Stopped;
    return s;
}

Result<void, StoreError> RunStore::checkRun(long long runId) {
    auto s = summary(runId);
    if (!s.ok())
        return Failure{s.error()};
    return {};
}

Result<DeepRunOptions, StoreError> RunStore::options(long long runId) {
    SqliteStatement select(m_db, "SELECT options FROM runs WHERE id = ?");
    select.bind(1, runId);
    if (auto found = runFound(select.step(), runId); !found.ok())
        return Failure{found.error()};
    std::optional<DeepRunOptions> o = optionsFromJson(select.text(0));
    if (!o)
        return Failure{StoreError{StoreErrorKind::Corrupt,
                                  m_path + ": options of run " + std::to_string(runId) + " unreadable"}};
    return *o;
}

Result<void, StoreError> RunStore::deleteRun(long long runId) {
    if (auto r = checkRun(runId); !r.ok())
        return r;
    const bool ownWriter = m_writerRun == runId;
    if (!ownWriter) {
        if (auto r = acquireWriter(runId); !r.ok())
            return r;
    }
    Result<void, StoreError> result = exec("BEGIN IMMEDIATE");
    if (result.ok()) {
        for (const char *sql : {"DELETE FROM queries WHERE run = ?", "DELETE FROM results WHERE run = ?",
                                "DELETE FROM answers WHERE run = ?", "DELETE FROM runs WHERE id = ?"}) {
            SqliteStatement del(m_db, sql);
            del.bind(1, runId);
            if (del.step() != SQLITE_DONE) {
                result = Failure{failure(del.rc())};
                break;
            }
        }
        if (result.ok())
            result = exec("COMMIT");
        if (!result.ok())
            exec("ROLLBACK");
    }
    const std::string lockFile = runLockPath(m_path, runId);
    releaseWriter();
    if (result.ok())
        ::unlink(lockFile.c_str());
    return result;
}

Result<void, StoreError> RunStore::forEachResult(long long runId,
                                                 const std::function<bool(const ResultRow &)> &visit) {
    if (auto r = checkRun(runId); !r.ok())
        return r;
    SqliteStatement select(m_db,
                           "SELECT word, seed, sources, listings, depth, parent, occurrences, popularity "
                           "FROM results WHERE run = ? ORDER BY pos");
    select.bind(1, runId);
    ResultRow row;
    while (select.step() == SQLITE_ROW) {
        row.word = select.text(0);
        row.seed = select.text(1);
        row.sources = static_cast<DeepSourceSet>(select.integer(2));
        row.listings = select.isNull(3) ? std::nullopt : std::optional<long long>(select.integer(3));
        row.depth = static_cast<int>(select.integer(4));
        row.parent = select.text(5);
        row.occurrences = select.integer(6);
        row.popularity = select.isNull(7) ? std::nullopt : std::optional<double>(select.real(7));
        if (!visit(row))
            return {};
    }
    if (select.rc() != SQLITE_DONE)
        return Failure{failure(select.rc())};
    return {};
}

Result<void, StoreError> RunStore::acquireWriter(long long runId) {
    if (m_writerRun == runId)
        return {};
    releaseWriter();
    if (auto r = m_lock.acquire(runLockPath(m_path, runId), runId); !r.ok())
        return r;
    m_writerRun = runId;
    return {};
}

void RunStore::releaseWriter() {
    m_lock.release();
    m_writerRun = 0;
}

Result<void, StoreError> RunStore::setState(long long runId, RunState state, long long queriesPlanned) {
    SqliteStatement update(m_db, "UPDATE runs SET state = ?, queries_planned = ?, updated = ? WHERE id = ?");
    update.bind(1, static_cast<long long>(state))
        .bind(2, queriesPlanned)
        .bind(3, orbisel::nowUnix())
        .bind(4, runId);
    if (update.step() != SQLITE_DONE)
        return Failure{failure(update.rc())};
    return {};
}

Result<void, StoreError> RunStore::addQueries(long long runId, const std::vector<StoredQuery> &queries) {
    if (auto r = exec("BEGIN IMMEDIATE"); !r.ok())
        return r;
    SqliteStatement insert(m_db,
                           "INSERT OR REPLACE INTO queries(run, ordinal, depth, text, seed, parent, state) "
                           "VALUES(?, ?, ?, ?, ?, ?, ?)");
    for (const StoredQuery &q : queries) {
        insert.bind(1, runId)
            .bind(2, q.ordinal)
            .bind(3, q.depth)
            .bind(4, q.text)
            .bind(5, q.seedIndex)
            .bind(6, q.parent)
            .bind(7, static_cast<long long>(q.state));
        if (insert.step() != SQLITE_DONE)
            return rollBack(insert.rc());
        insert.reset();
    }
    return commitTransaction();
}

Result<std::vector<StoredQuery>, StoreError> RunStore::queries(long long runId) {
    SqliteStatement select(m_db,
                           "SELECT ordinal, depth, text, seed, parent, state FROM queries WHERE run = ? "
                           "ORDER BY ordinal");
    select.bind(1, runId);
    std::vector<StoredQuery> list;
    while (select.step() == SQLITE_ROW) {
        list.push_back({select.integer(0), static_cast<int>(select.integer(1)), select.text(2),
                        static_cast<int>(select.integer(3)), select.text(4),
                        static_cast<QueryState>(select.integer(5))});
    }
    if (select.rc() != SQLITE_DONE)
        return Failure{failure(select.rc())};
    return list;
}

Result<std::optional<std::string>, StoreError>
RunStore::answer(long long runId, AnswerKind kind, const std::string &query, std::int64_t notBeforeUnix) {
    SqliteStatement select(
        m_db, "SELECT body FROM answers WHERE kind = ?1 AND query = ?2 AND (run = ?3 OR fetched >= ?4) "
              "ORDER BY run = ?3 DESC, fetched DESC, id DESC LIMIT 1");
    select.bind(1, static_cast<long long>(kind)).bind(2, query).bind(3, runId).bind(4, notBeforeUnix);
    const int rc = select.step();
    if (rc == SQLITE_ROW)
        return std::optional<std::string>(select.text(0));
    if (rc != SQLITE_DONE)
        return Failure{failure(rc)};
    return std::optional<std::string>();
}

Result<void, StoreError> RunStore::commit(long long runId, const StoreCommit &commit) {
    if (auto r = exec("BEGIN IMMEDIATE"); !r.ok())
        return r;
    {
        SqliteStatement insert(m_db,
                               "INSERT INTO answers(run, kind, query, fetched, body) VALUES(?, ?, ?, ?, ?)");
        for (const StoredAnswer &a : commit.answers) {
            insert.bind(1, runId)
                .bind(2, static_cast<long long>(a.kind))
                .bind(3, a.query)
                .bind(4, a.fetchedUnix);
            insert.bindBlob(5, a.body);
            if (insert.step() != SQLITE_DONE)
                return rollBack(insert.rc());
            insert.reset();
        }
    }
    {
        SqliteStatement update(m_db, "UPDATE queries SET state = ? WHERE run = ? AND ordinal = ?");
        for (const auto &[ordinal, state] : commit.finished) {
            update.bind(1, static_cast<long long>(state)).bind(2, runId).bind(3, ordinal);
            if (update.step() != SQLITE_DONE)
                return rollBack(update.rc());
            update.reset();
        }
    }
    {
        SqliteStatement upsert(
            m_db, "INSERT OR REPLACE INTO results(run, pos, word, seed, sources, listings, depth, "
                  "parent, occurrences, popularity) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const auto &[pos, row] : commit.rows) {
            upsert.bind(1, runId)
                .bind(2, static_cast<long long>(pos))
                .bind(3, row.word)
                .bind(4, row.seed)
                .bind(5, row.sources)
                .bind(7, row.depth)
                .bind(8, row.parent)
                .bind(9, row.occurrences);
            if (row.listings)
                upsert.bind(6, *row.listings);
            else
                upsert.bindNull(6);
            if (row.popularity)
                upsert.bindReal(10, *row.popularity);
            else
                upsert.bindNull(10);
            if (upsert.step() != SQLITE_DONE)
                return rollBack(upsert.rc());
            upsert.reset();
        }
    }
    {
        SqliteStatement update(m_db, "UPDATE runs SET queries_done = ?, words = ?, updated = ? WHERE id = ?");
        update.bind(1, commit.queriesDone).bind(2, commit.words).bind(3, orbisel::nowUnix()).bind(4, runId);
        if (update.step() != SQLITE_DONE)
            return rollBack(update.rc());
    }
    return commitTransaction();
}

std::string defaultStorePath() {
    const std::string folder = userDataFolder();
    const QString dir = QString::fromStdString(folder);
    if (!folder.empty() && !QDir(dir).exists()) {
        QDir().mkpath(dir);
        ::chmod(folder.c_str(), 0700);
    }
    return userDataFile("mining.sqlite");
}

std::string runLockPath(const std::string &storePath, long long runId) {
    return storePath + ".run-" + std::to_string(runId) + ".lock";
}

} // namespace orbisel::core
