#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/engine/EngineTiming.h"
#include "core/engine/HostPace.h"
#include "core/marketplace/Fetcher.h"
#include "core/marketplace/MarketplaceProtocol.h"
#include "core/store/RunStore.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace orbisel::core {

// A query to ask: its place in the run and its text.
struct PlannedAsk {
    std::size_t ordinal = 0;
    std::string text;
    std::vector<StoredAnswer> fresh; // answers fetched before a refusal sent it back
};

// What a worker brings back for one query.
struct Completion {
    enum class Status { Answered, Failed, Blocked, Aborted };
    PlannedAsk query;
    Status status = Status::Aborted;
    std::vector<StoredAnswer> fresh;    // answers fetched now, stored with the next commit
    std::array<std::string, 3> answers; // by AnswerKind
    std::vector<std::string> longTail;  // one answer per mobile word

    const std::string &answer(AnswerKind kind) const { return answers[static_cast<std::size_t>(kind)]; }
    const std::string &mobile() const { return answer(AnswerKind::Mobile); }
};

// Asks the queries of a level with `concurrency` workers: stored answers
// first, then requests paced per host (HostPace, or the fixed interval),
// retried after transient failures. A refused query goes back to the head of
// the queue; refusals of one burst count once, and counted refusals in a row
// slow down, pause and finally block the run (RefusalStreak). Answers come
// back in arrival order; the caller merges them in query order and moves the
// window of queries that may be asked ahead of the first one not merged.
class RequestScheduler {
public:
    RequestScheduler(RunStore &store, long long runId, const MarketplaceEndpoints &endpoints);
    ~RequestScheduler();
    RequestScheduler(const RequestScheduler &) = delete;
    RequestScheduler &operator=(const RequestScheduler &) = delete;

    // Starts the workers; `cacheNotBeforeUnix` bounds the age of stored answers of other runs.
    void start(const DeepRunOptions &options, const EngineTiming &timing, Fetcher fetcher,
               std::int64_t cacheNotBeforeUnix);
    // Ends the workers once their requests are done; the requests sent since start.
    long long finish();
    // Thread-safe: no new requests; the requests in flight finish.
    void requestStop();

    // Queues the pending queries of one level, in order.
    void askLevel(std::vector<PlannedAsk> pending);

    struct Arrivals {
        std::vector<Completion> completions;
        bool drained = false;  // nothing in flight or to ask (or halted)
        bool levelEnd = false; // workers idle at the level's (or the window's) end
        int failStreak = 0;    // failed queries in a row, no success between
        std::optional<RunOutcome> ending;
    };
    // The completions arrived since the last call, waiting up to `wait` for one.
    Arrivals collect(std::chrono::milliseconds wait);
    // Every query before this ordinal is merged.
    void mergedUpTo(std::size_t ordinal);
    // Ends the run with a store failure once the requests in flight are done.
    void failStore();
    std::optional<RunOutcome> ending();
    void waitIdle();

    long long sent();
    bool pausedBlocked(std::chrono::steady_clock::time_point now);
    // The pace of request starts to each host asked so far, over the last seconds.
    std::vector<HostRate> hostRates(std::chrono::steady_clock::time_point now);
    // The store's connection, shared with the workers reading stored answers.
    std::mutex &storeMutex() { return m_storeMutex; }

private:
    using Clock = std::chrono::steady_clock;
    enum class Got { Answer, Failed, Blocked, Aborted };

    // The pacing of one host.
    struct HostState {
        HostState(const DeepRunOptions &options, int pauses);
        HostPace pace;
        RefusalStreak streak;
        Clock::time_point nextStart{};
        Clock::time_point pauseUntil{};
        Clock::time_point firstStart{};
        std::deque<Clock::time_point> recentStarts; // for the shown rate
        void noteStart(Clock::time_point now);
        double startsPerSecond(Clock::time_point now);
    };

    void workerLoop();
    void account(Completion &c);
    bool withinWindow(std::size_t ordinal) const;
    bool halted() const { return m_stop || m_halt; }
    Completion ask(PlannedAsk query);
    Got fetch(AnswerKind kind, const std::string &query, Completion &c, std::string &body);
    HostState &hostState(const std::string &host);
    Clock::duration spacing(const HostState &host) const;
    std::optional<HostPace::Start> waitForSlot(const std::string &host);
    void paced(const std::string &host, const HostPace::Start &start, Verdict verdict);
    bool sleepUnlessStopped(Clock::time_point until);

    RunStore &m_store;
    const long long m_runId;
    const MarketplaceEndpoints &m_endpoints;
    DeepRunOptions m_options;
    EngineTiming m_timing;
    Fetcher m_fetcher;
    std::int64_t m_cacheNotBefore = 0;
    std::vector<std::thread> m_workers;

    // Under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_workCv;
    std::condition_variable m_doneCv;
    std::deque<PlannedAsk> m_todo;
    std::vector<Completion> m_arrived;
    std::size_t m_inFlight = 0;
    std::size_t m_windowBase = 0; // ordinal of the first query of the level not merged
    bool m_closing = false;
    bool m_stop = false;
    bool m_halt = false;
    int m_failStreak = 0;
    bool m_anyAnswered = false; // a query was answered since start
    std::optional<RunOutcome> m_ending;
    std::map<std::string, HostState> m_hosts;
    long long m_sent = 0;
    std::mt19937 m_jitter{std::random_device{}()};

    std::mutex m_storeMutex;
};

} // namespace orbisel::core
