#pragma once

#include "core/engine/DeepRunEngine.h"
#include "core/store/RunStore.h"

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace orbisel::core {

// How the work of a controller ended. `ran`: the engine ran (else the run was
// only opened, or the store failed first). `storeError`: why the store failed
// (opening it, reading the stored rows, or the engine's store failure).
struct RunEnd {
    RunOutcome outcome = RunOutcome::Done;
    bool ran = false;
    std::optional<StoreError> storeError;
};

// What arrived from the worker since the last take(), in order.
struct RunBatch {
    ResultDelta rows;                    // every delta taken, merged (changes after all added rows)
    std::optional<RunProgress> progress; // the latest
    bool engineStarted = false;          // the engine began since the last take
    bool more = false;                   // rows are left for another take
    std::optional<RunEnd> end;           // once everything before it was taken
};

struct RunControllerSettings {
    std::string storePath;
    MarketplaceEndpoints endpoints = marketplaceEndpoints();
    EngineTiming timing;
    Fetcher fetcher;          // empty: the engine's own
    bool deliverRows = false; // pass the stored rows, then the new ones, to take()
    int workerNice = 0;       // > 0: the worker yields the CPU to other threads (Linux)
};

// Runs, resumes or opens one stored run at a time on a worker thread with a
// store of its own. Rows and progress are batched for the controlling thread,
// which takes them when woken or when it polls; stopping lets the requests in
// flight finish.
class RunController {
public:
    explicit RunController(RunControllerSettings settings);
    ~RunController(); // stops the work and waits for it
    RunController(const RunController &) = delete;
    RunController &operator=(const RunController &) = delete;

    // Called on the worker thread with every delta before it is queued (the
    // stored rows first): for work that belongs off the controlling thread.
    void setRowsHook(std::function<void(const ResultDelta &)> hook);
    // Called on the worker thread when something arrives and no wake is
    // pending; the next take() that empties the queue clears it.
    void setWake(std::function<void()> wake);

    // Starts when idle: `run` runs or resumes the run, else it is only opened
    // (its stored rows delivered). False while work is going on.
    bool start(long long runId, bool run);
    // Thread-safe; also before the engine has begun.
    void requestStop();

    bool busy() const; // work started and its end not yet taken
    bool engineRunning() const;
    bool stoppable() const; // the engine runs and no stop was asked
    // Takes what arrived, rows up to about `maxRows` (whole deltas).
    RunBatch take(std::size_t maxRows = std::numeric_limits<std::size_t>::max());

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace orbisel::core
