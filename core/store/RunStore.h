#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/Result.h"
#include "core/base/StoreError.h"
#include "core/store/RunLock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace orbisel::core {

struct RunSummary {
    long long id = 0;
    std::string name;
    std::int64_t startedUnix = 0;
    RunState state = RunState::Running;
    long long queriesDone = 0;
    long long queriesPlanned = 0;
    long long words = 0;
    OccurrenceRule occurrenceRule = OccurrenceRule::PerAnswer; // the rule its 出现次数 follow
};

// A query of a run, planned level by level; ordinal is its place in the run.
enum class QueryState : std::uint8_t { Pending, Done, Failed };
struct StoredQuery {
    long long ordinal = 0;
    int depth = 1;
    std::string text;
    int seedIndex = 0;  // into DeepRunOptions::seeds
    std::string parent; // the query that first returned it; empty for depth 1
    QueryState state = QueryState::Pending;
};

struct StoredAnswer {
    AnswerKind kind = AnswerKind::Pc;
    std::string query; // the text asked
    std::int64_t fetchedUnix = 0;
    std::string body;
};

// What one merge step writes: the answers that arrived, the queries they
// finish and the result rows they add or change (row index in result order).
struct StoreCommit {
    std::vector<StoredAnswer> answers;
    std::vector<std::pair<long long, QueryState>> finished; // ordinal, Done or Failed
    std::vector<std::pair<std::size_t, ResultRow>> rows;    // inserted or replaced
    long long queriesDone = 0;
    long long words = 0;
};

// The SQLite store of deep runs (WAL): runs with their options and state,
// their queries, the raw answers (also reused across runs as a cache) and the
// results. Several processes may read; one writer per run, held by a lock
// file beside the store that dies with the process. A store written by a newer
// program or one that is not a store is refused and left as it is; an older
// one is migrated on open, after a copy beside it (<store>.bak-<version>).
// While an engine runs on a store object, other threads (a window listing or
// exporting runs) open a store object of their own on the same file.
class RunStore {
public:
    ~RunStore();
    RunStore(const RunStore &) = delete;
    RunStore &operator=(const RunStore &) = delete;

    static Result<std::unique_ptr<RunStore>, StoreError> open(const std::string &path);
    const std::string &path() const { return m_path; }

    Result<long long, StoreError> createRun(const DeepRunOptions &options);
    Result<std::vector<RunSummary>, StoreError> listRuns();
    Result<RunSummary, StoreError> summary(long long runId);
    Result<DeepRunOptions, StoreError> options(long long runId);
    Result<void, StoreError> deleteRun(long long runId); // refused while a writer holds the run
    // Rows in result order; visit returns false to stop.
    Result<void, StoreError> forEachResult(long long runId,
                                           const std::function<bool(const ResultRow &)> &visit);

    // The writer's side, used by the engine. acquireWriter takes the run's
    // lock (Locked when another process or store object holds it) until
    // releaseWriter or the store's end.
    Result<void, StoreError> acquireWriter(long long runId);
    void releaseWriter();
    Result<void, StoreError> setState(long long runId, RunState state, long long queriesPlanned);
    Result<void, StoreError> addQueries(long long runId, const std::vector<StoredQuery> &queries);
    Result<std::vector<StoredQuery>, StoreError> queries(long long runId);
    // The newest answer to the request fetched by this run, else the newest
    // one fetched since `notBeforeUnix` by any run.
    Result<std::optional<std::string>, StoreError>
    answer(long long runId, AnswerKind kind, const std::string &query, std::int64_t notBeforeUnix);
    // One transaction.
    Result<void, StoreError> commit(long long runId, const StoreCommit &commit);

private:
    // The version of the tables this program writes (RunStoreSchema.cpp holds them).
    static constexpr int kSchemaVersion = 3;
    // The refusal of a store written by a newer program.
    static StoreError newerProgram(const std::string &path, int version);

    RunStore(std::string path, sqlite3 *db);
    Result<void, StoreError> exec(const char *sql);
    int storedVersion() const;
    Result<void, StoreError> upgrade();
    Result<void, StoreError> backUp(const std::string &path);
    Result<void, StoreError> checkRun(long long runId);
    // The store's last error, of the kind of the SQLite result code.
    StoreError failure(int sqliteCode) const;
    // Rolls the open transaction back; the failure that ended it.
    Result<void, StoreError> rollBack(int sqliteCode);
    // Commits the open transaction; one whose commit fails is rolled back.
    Result<void, StoreError> commitTransaction();
    // Nothing when a step reached the row of the run, else UnknownRun or the failure.
    Result<void, StoreError> runFound(int stepCode, long long runId) const;

    std::string m_path;
    sqlite3 *m_db = nullptr;
    RunLock m_lock;
    long long m_writerRun = 0;
};

// mining.sqlite in the user's data folder (created 0700 when missing).
std::string defaultStorePath();
// The writer lock file of a run beside the store.
std::string runLockPath(const std::string &storePath, long long runId);

} // namespace orbisel::core
