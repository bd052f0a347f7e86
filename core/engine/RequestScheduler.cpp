#include "core/engine/RequestScheduler.h"

#include "core/marketplace/SuggestionAnswers.h"
#include "web/Clock.h"

#include <algorithm>

namespace orbisel::core {

using std::chrono::milliseconds;

namespace {

// Counted refusals in a row: an adaptive pace slows down at the first, then
// pauses three times, each pause followed by another refusal, before the run is
// blocked; a fixed pace pauses at the first two and is blocked at the third.
constexpr int kAdaptivePauses = 3;
constexpr int kFixedPauses = 2;
// The span over which the shown rate of a host is measured.
constexpr auto kRateSpan = std::chrono::seconds(5);

} // namespace

RequestScheduler::HostState::HostState(const DeepRunOptions &options, int pauses)
    : pace(options.intervalMs, options.minIntervalMs), streak(options.pace == Pacing::Adaptive, pauses) {}

void RequestScheduler::HostState::noteStart(Clock::time_point now) {
    if (firstStart == Clock::time_point{})
        firstStart = now;
    recentStarts.push_back(now);
    while (now - recentStarts.front() > kRateSpan)
        recentStarts.pop_front();
}

double RequestScheduler::HostState::startsPerSecond(Clock::time_point now) {
    while (!recentStarts.empty() && now - recentStarts.front() > kRateSpan)
        recentStarts.pop_front();
    const auto span = std::clamp<Clock::duration>(now - firstStart, std::chrono::seconds(1), kRateSpan);
    return static_cast<double>(recentStarts.size()) / std::chrono::duration<double>(span).count();
}

RequestScheduler::RequestScheduler(RunStore &store, long long runId, const MarketplaceEndpoints &endpoints)
    : m_store(store), m_runId(runId), m_endpoints(endpoints) {}

RequestScheduler::~RequestScheduler() {
    finish();
}

void RequestScheduler::start(const DeepRunOptions &options, const EngineTiming &timing, Fetcher fetcher,
                             std::int64_t cacheNotBeforeUnix) {
    m_options = options;
    m_timing = timing;
    m_fetcher = std::move(fetcher);
    m_cacheNotBefore = cacheNotBeforeUnix;
    {
        std::lock_guard guard(m_mutex);
        m_sent = 0;
        m_halt = false;
        m_failStreak = 0;
        m_anyAnswered = false;
        m_ending.reset();
        m_closing = false;
        m_todo.clear();
        m_arrived.clear();
        m_hosts.clear();
    }
    const int concurrency = std::clamp(m_options.concurrency, 1, 16);
    for (int i = 0; i < concurrency; ++i)
        m_workers.emplace_back([this] { workerLoop(); });
}

long long RequestScheduler::finish() {
    {
        std::lock_guard guard(m_mutex);
        m_closing = true;
        m_workCv.notify_all();
    }
    for (std::thread &t : m_workers)
        t.join();
    m_workers.clear();
    return sent();
}

void RequestScheduler::requestStop() {
    std::lock_guard guard(m_mutex);
    m_stop = true;
    m_workCv.notify_all();
    m_doneCv.notify_all();
}

void RequestScheduler::askLevel(std::vector<PlannedAsk> pending) {
    std::lock_guard guard(m_mutex);
    m_windowBase = pending.empty() ? 0 : pending.front().ordinal;
    m_todo.assign(std::make_move_iterator(pending.begin()), std::make_move_iterator(pending.end()));
    m_workCv.notify_all();
}

RequestScheduler::Arrivals RequestScheduler::collect(milliseconds wait) {
    Arrivals a;
    std::unique_lock lock(m_mutex);
    m_doneCv.wait_for(lock, wait, [&] {
        return !m_arrived.empty() ||
               (m_inFlight == 0 && (m_todo.empty() || halted() || !withinWindow(m_todo.front().ordinal)));
    });
    a.completions.swap(m_arrived);
    if (m_stop && !m_ending)
        m_ending = RunOutcome::Stopped;
    // Workers idle at the window's end count as the level's end for a failure held there.
    const bool idleAtEnd = m_inFlight == 0 && m_arrived.empty() && !halted() &&
                           (m_todo.empty() || !withinWindow(m_todo.front().ordinal));
    // Every query failed and none was answered: the network is down, however few were asked.
    if (idleAtEnd && m_failStreak > 0 && !m_anyAnswered) {
        if (!m_ending)
            m_ending = RunOutcome::NetworkDown;
        m_halt = true;
    }
    a.drained = m_inFlight == 0 && m_arrived.empty() && (m_todo.empty() || halted());
    a.levelEnd = idleAtEnd && !halted();
    a.failStreak = m_failStreak;
    a.ending = m_ending;
    return a;
}

void RequestScheduler::mergedUpTo(std::size_t ordinal) {
    std::lock_guard lock(m_mutex);
    m_windowBase = ordinal;
    m_workCv.notify_all();
}

void RequestScheduler::failStore() {
    requestStop();
    std::lock_guard lock(m_mutex);
    m_ending = RunOutcome::StoreFailed;
}

std::optional<RunOutcome> RequestScheduler::ending() {
    std::lock_guard lock(m_mutex);
    return m_ending;
}

void RequestScheduler::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_doneCv.wait(lock, [&] { return m_inFlight == 0; });
}

long long RequestScheduler::sent() {
    std::lock_guard guard(m_mutex);
    return m_sent;
}

bool RequestScheduler::pausedBlocked(Clock::time_point now) {
    std::lock_guard guard(m_mutex);
    return std::any_of(m_hosts.begin(), m_hosts.end(),
                       [&](const auto &host) { return host.second.pauseUntil > now; });
}

std::vector<HostRate> RequestScheduler::hostRates(Clock::time_point now) {
    std::lock_guard guard(m_mutex);
    std::vector<HostRate> rates;
    for (auto &[name, host] : m_hosts)
        rates.push_back({name, host.startsPerSecond(now)});
    return rates;
}

bool RequestScheduler::sleepUnlessStopped(Clock::time_point until) {
    std::unique_lock lock(m_mutex);
    m_workCv.wait_until(lock, until, [&] { return halted() || m_closing; });
    return !(halted() || m_closing);
}

RequestScheduler::HostState &RequestScheduler::hostState(const std::string &host) {
    const int pauses = m_options.pace == Pacing::Adaptive ? kAdaptivePauses : kFixedPauses;
    return m_hosts.try_emplace(host, m_options, pauses).first->second;
}

std::chrono::steady_clock::duration RequestScheduler::spacing(const HostState &host) const {
    if (m_options.pace == Pacing::Adaptive)
        return host.pace.interval();
    return milliseconds(std::max(0, m_options.intervalMs));
}

// Waits for the next start allowed on the host (its spacing, a pause after a
// refusal); nothing when the run stops meanwhile.
std::optional<HostPace::Start> RequestScheduler::waitForSlot(const std::string &name) {
    std::unique_lock lock(m_mutex);
    HostState &host = hostState(name);
    for (;;) {
        if (halted() || m_closing)
            return std::nullopt;
        const Clock::time_point now = Clock::now();
        const Clock::time_point at = std::max({now, host.pauseUntil, host.nextStart});
        if (at <= now) {
            host.nextStart = now + spacing(host);
            host.noteStart(now);
            ++m_sent;
            return host.pace.started(now);
        }
        m_workCv.wait_until(lock, at);
    }
}

// Tells the host's pace how a request went. A refusal that counts (the first
// of its burst) slows the pace, pauses the host or blocks the run.
void RequestScheduler::paced(const std::string &name, const HostPace::Start &start, Verdict verdict) {
    std::lock_guard guard(m_mutex);
    HostState &host = m_hosts.at(name);
    const Clock::time_point now = Clock::now();
    if (verdict == Verdict::Answer) {
        host.pace.answered(start, now);
        host.streak.answered();
        return;
    }
    if (verdict != Verdict::Blocked || !host.pace.refused(start, now))
        return;
    switch (host.streak.counted()) {
    case RefusalAction::SlowDown:
        host.nextStart = std::max(host.nextStart, now + spacing(host));
        break;
    case RefusalAction::Pause:
        host.pauseUntil =
            std::max(host.pauseUntil, now + host.streak.pauseLength(milliseconds(m_options.backoffMs)));
        break;
    case RefusalAction::Blocked:
        if (!m_ending)
            m_ending = RunOutcome::Blocked;
        m_halt = true;
        m_workCv.notify_all();
        break;
    }
}

RequestScheduler::Got RequestScheduler::fetch(AnswerKind kind, const std::string &query, Completion &c,
                                              std::string &body) {
    for (const StoredAnswer &a : c.fresh) {
        if (a.kind == kind && a.query == query) {
            body = a.body;
            return Got::Answer;
        }
    }
    {
        std::lock_guard guard(m_storeMutex);
        auto stored = m_store.answer(m_runId, kind, query, m_cacheNotBefore);
        if (stored.ok() && stored.value()) {
            body = std::move(*stored.value());
            return Got::Answer;
        }
    }
    const std::string &host = hostOf(m_endpoints, kind);
    for (int attempt = 0; attempt < std::max(1, m_timing.maxAttempts); ++attempt) {
        if (attempt > 0) {
            const int base = m_timing.retryBaseMs << std::min(attempt - 1, 16);
            int extra = 0;
            {
                std::lock_guard guard(m_mutex);
                extra = std::uniform_int_distribution<int>(0, std::max(0, base / 2))(m_jitter);
            }
            if (!sleepUnlessStopped(Clock::now() + milliseconds(base + extra)))
                return Got::Aborted;
        }
        const std::optional<HostPace::Start> start = waitForSlot(host);
        if (!start)
            return Got::Aborted;
        FetchResult r = m_fetcher(requestUrl(m_endpoints, kind, query));
        const Verdict verdict = judgeAnswer(r, kind, m_endpoints);
        paced(host, *start, verdict);
        switch (verdict) {
        case Verdict::Answer:
            body = r.body;
            c.fresh.push_back({kind, query, orbisel::nowUnix(), std::move(r.body)});
            return Got::Answer;
        case Verdict::Blocked:
            return Got::Blocked;
        case Verdict::Failed:
            return Got::Failed;
        case Verdict::Transient:
            break;
        }
    }
    return Got::Failed;
}

// Asks everything one query needs; the answers come back whole or not at all.
Completion RequestScheduler::ask(PlannedAsk query) {
    Completion c;
    c.query = std::move(query);
    c.fresh = std::move(c.query.fresh);
    const std::string &text = c.query.text;
    const DeepSourceSet sources = m_options.sources;
    auto status = [](Got got) {
        switch (got) {
        case Got::Failed:
            return Completion::Status::Failed;
        case Got::Blocked:
            return Completion::Status::Blocked;
        default:
            return Completion::Status::Aborted;
        }
    };
    for (const RequestNeed &need : kRequestNeeds) {
        if (need.request == Request::LongTail || !needs(sources, need.request))
            continue;
        if (Got got = fetch(need.kind, text, c, c.answers[static_cast<std::size_t>(need.kind)]);
            got != Got::Answer) {
            c.status = status(got);
            return c;
        }
    }
    if (needs(sources, Request::LongTail)) {
        if (auto words = suggestionWords(c.mobile(), true)) {
            for (const FoundWord &w : *words) {
                std::string answer;
                const Got got = fetch(AnswerKind::Mobile, w.word, c, answer);
                if (got == Got::Blocked || got == Got::Aborted) {
                    c.status = status(got);
                    return c;
                }
                c.longTail.push_back(std::move(answer)); // a failed one adds no words
            }
        }
    }
    c.status = Completion::Status::Answered;
    return c;
}

// Counts a query's outcome as it arrives, before the worker takes another: a
// refused query goes back to the head of the queue with the answers it got.
void RequestScheduler::account(Completion &c) {
    switch (c.status) {
    case Completion::Status::Answered:
        m_failStreak = 0;
        m_anyAnswered = true;
        break;
    case Completion::Status::Failed:
        if (++m_failStreak >= m_timing.failuresInARow) {
            if (!m_ending)
                m_ending = RunOutcome::NetworkDown;
            m_halt = true;
        }
        break;
    case Completion::Status::Blocked:
        m_todo.push_front({c.query.ordinal, c.query.text, std::move(c.fresh)});
        c.fresh.clear();
        m_workCv.notify_all();
        break;
    case Completion::Status::Aborted:
        break;
    }
}

// Answers wait in memory until every earlier query is merged; a query far
// ahead of the first one not merged waits, so answers cannot pile up behind
// a slow query or a slow merge.
bool RequestScheduler::withinWindow(std::size_t ordinal) const {
    const std::size_t window = 4 * static_cast<std::size_t>(std::clamp(m_options.concurrency, 1, 16)) + 16;
    return ordinal < m_windowBase + window;
}

void RequestScheduler::workerLoop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workCv.wait(lock, [&] {
            return m_closing || (!halted() && !m_todo.empty() && withinWindow(m_todo.front().ordinal));
        });
        if (m_closing)
            return;
        PlannedAsk query = std::move(m_todo.front());
        m_todo.pop_front();
        ++m_inFlight;
        lock.unlock();
        Completion c = ask(std::move(query));
        lock.lock();
        --m_inFlight;
        account(c);
        m_arrived.push_back(std::move(c));
        m_doneCv.notify_all();
    }
}

} // namespace orbisel::core
