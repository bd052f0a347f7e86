#include "core/runs/RunController.h"

#include <deque>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>
#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace orbisel::core {

namespace {

constexpr std::size_t kStoredRowsPerDelta = 20000;

void lowerThreadPriority(int nice) {
#ifdef __linux__
    if (nice > 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
#else
    (void)nice;
#endif
}

std::size_t rowCount(const ResultDelta &delta) {
    return delta.added.size() + delta.changed.size();
}

// One delta of several: rows only change values, so every change can follow all the added rows.
ResultDelta merged(std::vector<ResultDelta> deltas) {
    if (deltas.empty())
        return {};
    ResultDelta all = std::move(deltas.front());
    for (std::size_t i = 1; i < deltas.size(); ++i) {
        std::move(deltas[i].added.begin(), deltas[i].added.end(), std::back_inserter(all.added));
        std::move(deltas[i].changed.begin(), deltas[i].changed.end(), std::back_inserter(all.changed));
    }
    return all;
}

} // namespace

class RunController::Impl {
public:
    explicit Impl(RunControllerSettings s) : settings(std::move(s)) {}

    void work(long long runId, bool run) {
        lowerThreadPriority(settings.workerNice);
        RunEnd end;
        auto store = RunStore::open(settings.storePath);
        if (!store.ok()) {
            end.storeError = store.error();
        } else if (auto loaded = loadStoredRows(*store.value(), runId); !loaded.ok()) {
            end.storeError = loaded.error();
        } else if (run) {
            end = runEngine(*store.value(), runId);
        }
        post([&] { finished = std::move(end); });
    }

    // Changes the queue under the lock and wakes the controlling thread once.
    template <class Change> void post(Change change) {
        bool wakeNow = false;
        {
            std::lock_guard guard(mutex);
            change();
            wakeNow = !wakePending;
            wakePending = true;
        }
        if (wakeNow && wake)
            wake();
    }

    void deliver(ResultDelta delta) {
        if (hook)
            hook(delta);
        if (settings.deliverRows)
            post([&] { deltas.push_back(std::move(delta)); });
    }

    Result<void, StoreError> loadStoredRows(RunStore &store, long long runId) {
        if (!settings.deliverRows && !hook)
            return {};
        ResultDelta chunk;
        auto loaded = store.forEachResult(runId, [&](const ResultRow &row) {
            chunk.added.push_back(row);
            if (chunk.added.size() >= kStoredRowsPerDelta)
                deliver(std::exchange(chunk, {}));
            return true;
        });
        if (!chunk.added.empty())
            deliver(std::move(chunk));
        return loaded;
    }

    RunEnd runEngine(RunStore &store, long long runId) {
        DeepRunEngine engine(store, runId, settings.endpoints);
        engine.setTiming(settings.timing);
        if (settings.fetcher)
            engine.setFetcher(settings.fetcher);
        post([&] {
            running = &engine;
            engineStarted = true;
            if (stopRequested)
                engine.requestStop();
        });
        std::function<void(const ResultDelta &)> onResults;
        if (settings.deliverRows || hook)
            onResults = [this](const ResultDelta &delta) { deliver(delta); };
        RunEnd end;
        end.ran = true;
        end.outcome = engine.run([this](const RunProgress &p) { post([&] { progress = p; }); }, onResults);
        {
            std::lock_guard guard(mutex);
            running = nullptr;
        }
        end.storeError = engine.storeError();
        return end;
    }

    const RunControllerSettings settings;
    std::function<void(const ResultDelta &)> hook;
    std::function<void()> wake;

    mutable std::mutex mutex;
    std::deque<ResultDelta> deltas;
    std::optional<RunProgress> progress;
    std::optional<RunEnd> finished;
    bool engineStarted = false;
    bool wakePending = false;
    bool busy = false;
    bool stopRequested = false;
    DeepRunEngine *running = nullptr;
    std::thread worker;
};

RunController::RunController(RunControllerSettings settings)
    : m_impl(std::make_unique<Impl>(std::move(settings))) {}

RunController::~RunController() {
    requestStop();
    if (m_impl->worker.joinable())
        m_impl->worker.join();
}

void RunController::setRowsHook(std::function<void(const ResultDelta &)> hook) {
    m_impl->hook = std::move(hook);
}

void RunController::setWake(std::function<void()> wake) {
    m_impl->wake = std::move(wake);
}

bool RunController::start(long long runId, bool run) {
    {
        std::lock_guard guard(m_impl->mutex);
        if (m_impl->busy)
            return false;
        m_impl->busy = true;
        m_impl->stopRequested = false;
        m_impl->wakePending = false;
    }
    if (m_impl->worker.joinable())
        m_impl->worker.join(); // the last work ended: its end was taken
    m_impl->worker = std::thread([impl = m_impl.get(), runId, run] { impl->work(runId, run); });
    return true;
}

void RunController::requestStop() {
    std::lock_guard guard(m_impl->mutex);
    m_impl->stopRequested = true;
    if (m_impl->running)
        m_impl->running->requestStop();
}

bool RunController::busy() const {
    std::lock_guard guard(m_impl->mutex);
    return m_impl->busy;
}

bool RunController::engineRunning() const {
    std::lock_guard guard(m_impl->mutex);
    return m_impl->running != nullptr;
}

bool RunController::stoppable() const {
    std::lock_guard guard(m_impl->mutex);
    return m_impl->running && !m_impl->stopRequested;
}

RunBatch RunController::take(std::size_t maxRows) {
    RunBatch batch;
    std::vector<ResultDelta> taken;
    {
        std::lock_guard guard(m_impl->mutex);
        std::size_t rows = 0;
        while (!m_impl->deltas.empty() && rows < maxRows) {
            rows += rowCount(m_impl->deltas.front());
            taken.push_back(std::move(m_impl->deltas.front()));
            m_impl->deltas.pop_front();
        }
        batch.progress = std::exchange(m_impl->progress, std::nullopt);
        batch.engineStarted = std::exchange(m_impl->engineStarted, false);
        batch.more = !m_impl->deltas.empty();
        if (!batch.more) {
            m_impl->wakePending = false;
            if (m_impl->finished) {
                batch.end = std::exchange(m_impl->finished, std::nullopt);
                m_impl->busy = false;
            }
        }
    }
    batch.rows = merged(std::move(taken));
    return batch;
}

} // namespace orbisel::core
