#include "core/DeepRunEngine.h"

#include "core/Expansion.h"
#include "core/SuggestionAnswers.h"
#include "core/WordFilter.h"
#include "web/TextRules.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace orbisel::core {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

std::int64_t nowUnix() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Row of the results, kept compact: a run may hold a million of them.
struct Row {
    std::string word;
    std::uint64_t hash = 0;
    long long listings = -1; // -1: none seen
    long long occurrences = 0;
    std::uint32_t seed = 0;
    std::uint32_t parent = 0; // query ordinal
    std::uint32_t stamp = 0;  // the last answer that counted it
    DeepSourceSet sources = 0;
    std::uint8_t depth = 1;
};

// Row indices by comparison key, open addressing over the rows' key hashes.
class RowIndex {
public:
    explicit RowIndex(const std::vector<Row> &rows) : m_rows(rows) { clear(); }

    void clear() {
        m_slots.assign(1024, 0);
        m_count = 0;
    }

    // The row with this key, or -1.
    long long find(const std::string &key, std::uint64_t hash) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint32_t slot = m_slots[i];
            if (slot == 0)
                return -1;
            const Row &row = m_rows[slot - 1];
            if (row.hash == hash && comparisonKey(row.word) == key)
                return slot - 1;
        }
    }
    // Adds the row just appended to the rows.
    void add(std::size_t rowIndex) {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        place(static_cast<std::uint32_t>(rowIndex));
        ++m_count;
    }

private:
    void place(std::uint32_t rowIndex) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = m_rows[rowIndex].hash & mask;
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = rowIndex + 1;
    }
    void grow() {
        std::vector<std::uint32_t> old = std::move(m_slots);
        m_slots.assign(old.size() * 2, 0);
        for (std::uint32_t slot : old) {
            if (slot != 0)
                place(slot - 1);
        }
    }

    const std::vector<Row> &m_rows;
    std::vector<std::uint32_t> m_slots;
    std::size_t m_count = 0;
};

std::uint64_t hashKey(const std::string &key) {
    return std::hash<std::string>{}(key);
}

// What a worker brings back for one query.
struct Completion {
    enum class Status { Answered, Failed, Blocked, Aborted };
    std::size_t ordinal = 0;
    Status status = Status::Aborted;
    std::vector<StoredAnswer> fresh;    // answers fetched now, stored with the next commit
    std::array<std::string, 3> answers; // by AnswerKind
    std::vector<std::string> longTail;  // one answer per mobile word

    const std::string &answer(AnswerKind kind) const { return answers[static_cast<std::size_t>(kind)]; }
    const std::string &mobile() const { return answer(AnswerKind::Mobile); }
};

// The word without the spaces around it (ASCII, full-width, tabs and line ends).
std::string trimmed(std::string_view word) {
    auto isSpaceAt = [&](std::size_t i) {
        return std::string_view(" \t\r\n").find(word[i]) != std::string_view::npos;
    };
    while (!word.empty()) {
        if (isSpaceAt(0))
            word.remove_prefix(1);
        else if (word.starts_with(kFullWidthSpace))
            word.remove_prefix(kFullWidthSpace.size());
        else
            break;
    }
    while (!word.empty()) {
        if (isSpaceAt(word.size() - 1))
            word.remove_suffix(1);
        else if (word.ends_with(kFullWidthSpace))
            word.remove_suffix(kFullWidthSpace.size());
        else
            break;
    }
    return std::string(word);
}

} // namespace

std::string comparisonKey(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, kFullWidthSpace.size()) == kFullWidthSpace) {
            out += ' ';
            i += kFullWidthSpace.size();
            continue;
        }
        char c = text[i++];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
        out += c;
    }
    const std::size_t begin = out.find_first_not_of(' ');
    if (begin == std::string::npos)
        return {};
    out.erase(out.find_last_not_of(' ') + 1);
    out.erase(0, begin);
    return out;
}

class DeepRunEngine::Impl {
public:
    Impl(RunStore &store, long long runId, MarketplaceEndpoints endpoints)
        : store(store), runId(runId), endpoints(std::move(endpoints)), rowIndex(rows) {}

    RunOutcome run(const std::function<void(const RunProgress &)> &onProgress,
                   const std::function<void(const ResultDelta &)> &onResults);
    void requestStop() {
        std::lock_guard guard(mutex);
        stop = true;
        workCv.notify_all();
        doneCv.notify_all();
    }

    RunStore &store;
    const long long runId;
    const MarketplaceEndpoints endpoints;
    EngineTiming timing;
    Fetcher fetcher;
    std::optional<StoreError> storeError;
    long long requestsSent = 0;

private:
    // Planning and merging (the run() thread).
    Result<void, StoreError> load();
    void planLevel(int depth);
    bool moreToAsk() const;
    void mergeQuery(const Completion &c, StoreCommit &commit);
    void addWords(const StoredQuery &q, DeepSource source, const std::vector<FoundWord> &words);
    void addWord(const StoredQuery &q, DeepSource source, const std::string &word,
                 std::optional<long long> listings);
    ResultRow resultRow(std::size_t index) const;
    RunOutcome runLevel(const std::vector<std::size_t> &pending);
    void report(bool force);

    // Asking (worker threads).
    void workerLoop();
    void account(const Completion &c);
    bool withinWindow(std::size_t ordinal) const;
    Completion ask(std::size_t ordinal);
    enum class Got { Answer, Failed, Blocked, Aborted };
    Got fetch(AnswerKind kind, const std::string &query, Completion &c, std::string &body);
    bool waitForSlot(const std::string &host);
    bool sleepUnlessStopped(Clock::time_point until);
    bool halted() const { return stop || halt; }

    // Run state, owned by the run() thread.
    DeepRunOptions options;
    WordFilter filter;
    std::vector<StoredQuery> queries;
    std::unordered_set<std::string> askedKeys;
    std::vector<Row> rows;
    RowIndex rowIndex;
    std::uint32_t stamp = 0;
    long long queriesDone = 0;
    std::int64_t cacheNotBefore = 0;
    // Rows to report: added from this index on, and changed older ones.
    std::size_t reportedRows = 0;
    std::vector<std::size_t> changedRows;
    std::function<void(const RunProgress &)> progressCallback;
    std::function<void(const ResultDelta &)> resultsCallback;
    Clock::time_point started;
    Clock::time_point lastProgress;
    long long doneAtStart = 0;

    // Shared with the workers, under `mutex`.
    std::mutex mutex;
    std::condition_variable workCv;
    std::condition_variable doneCv;
    std::deque<std::size_t> todo;
    std::vector<Completion> arrived;
    std::size_t inFlight = 0;
    std::size_t windowBase = 0; // ordinal of the first query of the level not merged
    bool closing = false;
    bool stop = false;
    bool halt = false;
    int blockedStreak = 0;
    int failStreak = 0;
    std::optional<RunOutcome> ending;
    Clock::time_point pauseUntil{};
    std::map<std::string, Clock::time_point> nextStart;
    long long sent = 0;
    std::mutex storeMutex; // the store's connection: workers read the cache
    std::mt19937 jitter{std::random_device{}()};
};

Result<void, StoreError> DeepRunEngine::Impl::load() {
    auto o = store.options(runId);
    if (!o.ok())
        return Failure{o.error()};
    options = std::move(o).value();
    filter = WordFilter(options);
    cacheNotBefore = options.cacheHours > 0 ? nowUnix() - static_cast<std::int64_t>(options.cacheHours) * 3600
                                            : std::numeric_limits<std::int64_t>::max();
    auto q = store.queries(runId);
    if (!q.ok())
        return Failure{q.error()};
    queries = std::move(q).value();
    askedKeys.clear();
    queriesDone = 0;
    std::unordered_map<std::string, std::uint32_t> ordinalOf;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        askedKeys.insert(comparisonKey(queries[i].text));
        ordinalOf.emplace(queries[i].text, static_cast<std::uint32_t>(i));
        if (queries[i].state != QueryState::Pending)
            ++queriesDone;
    }
    std::unordered_map<std::string, std::uint32_t> seedOf;
    for (std::size_t i = 0; i < options.seeds.size(); ++i)
        seedOf.emplace(options.seeds[i], static_cast<std::uint32_t>(i));
    rows.clear();
    rowIndex.clear();
    auto r = store.forEachResult(runId, [&](const ResultRow &row) {
        Row compact;
        compact.word = row.word;
        compact.hash = hashKey(comparisonKey(row.word));
        compact.listings = row.listings.value_or(-1);
        compact.occurrences = row.occurrences;
        compact.seed = seedOf.count(row.seed) ? seedOf[row.seed] : 0;
        compact.parent = ordinalOf.count(row.parent) ? ordinalOf[row.parent] : 0;
        compact.sources = row.sources;
        compact.depth = static_cast<std::uint8_t>(row.depth);
        rows.push_back(std::move(compact));
        rowIndex.add(rows.size() - 1);
        return true;
    });
    if (!r.ok())
        return r;
    return {};
}

void DeepRunEngine::Impl::planLevel(int depth) {
    std::vector<StoredQuery> planned;
    auto plan = [&](const std::string &text, std::uint32_t seed, const std::string &parent) {
        std::string key = comparisonKey(text);
        if (key.empty() || askedKeys.count(key))
            return;
        if (static_cast<long long>(queries.size() + planned.size()) >= options.maxQueries)
            return;
        askedKeys.insert(std::move(key));
        planned.push_back({static_cast<long long>(queries.size() + planned.size()), depth, text,
                           static_cast<int>(seed), parent, QueryState::Pending});
    };
    if (depth == 1) {
        for (std::size_t i = 0; i < options.seeds.size(); ++i) {
            for (const std::string &query : expandSeed(options.seeds[i], options))
                plan(query, static_cast<std::uint32_t>(i), {});
        }
    } else {
        for (const Row &row : rows) {
            if (row.depth == depth - 1)
                plan(row.word, row.seed, queries[row.parent].text);
        }
    }
    if (!planned.empty()) {
        if (auto r = store.addQueries(runId, planned); !r.ok()) {
            storeError = r.error();
            return;
        }
        queries.insert(queries.end(), planned.begin(), planned.end());
    }
}

// Whether a query the run would ask was left out by max-queries.
bool DeepRunEngine::Impl::moreToAsk() const {
    for (const std::string &seed : options.seeds) {
        for (const std::string &query : expandSeed(seed, options)) {
            const std::string key = comparisonKey(query);
            if (!key.empty() && !askedKeys.count(key))
                return true;
        }
    }
    for (const Row &row : rows) {
        if (row.depth < std::clamp(options.depth, 1, 5) && !askedKeys.count(comparisonKey(row.word)))
            return true;
    }
    return false;
}

ResultRow DeepRunEngine::Impl::resultRow(std::size_t index) const {
    const Row &row = rows[index];
    ResultRow out;
    out.word = row.word;
    out.seed = row.seed < options.seeds.size() ? options.seeds[row.seed] : std::string();
    out.sources = row.sources;
    if (row.listings >= 0)
        out.listings = row.listings;
    out.depth = row.depth;
    out.parent = queries[row.parent].text;
    out.occurrences = row.occurrences;
    return out;
}

void DeepRunEngine::Impl::addWord(const StoredQuery &q, DeepSource source, const std::string &word,
                                  std::optional<long long> listings) {
    std::string key = comparisonKey(word);
    if (key.empty() || !filter.keeps(word))
        return;
    const std::uint64_t hash = hashKey(key);
    const long long found = rowIndex.find(key, hash);
    if (found >= 0) {
        Row &row = rows[static_cast<std::size_t>(found)];
        row.sources |= sourceBit(source);
        if (listings && *listings > row.listings)
            row.listings = *listings;
        if (row.stamp != stamp) {
            row.stamp = stamp;
            ++row.occurrences;
        }
        if (static_cast<std::size_t>(found) < reportedRows)
            changedRows.push_back(static_cast<std::size_t>(found));
        return;
    }
    Row row;
    row.word = trimmed(word);
    row.hash = hash;
    row.listings = listings.value_or(-1);
    row.occurrences = 1;
    row.seed = static_cast<std::uint32_t>(q.seedIndex);
    row.parent = static_cast<std::uint32_t>(q.ordinal);
    row.stamp = stamp;
    row.sources = sourceBit(source);
    row.depth = static_cast<std::uint8_t>(q.depth);
    rows.push_back(std::move(row));
    rowIndex.add(rows.size() - 1);
}

void DeepRunEngine::Impl::addWords(const StoredQuery &q, DeepSource source,
                                   const std::vector<FoundWord> &words) {
    ++stamp;
    for (const FoundWord &w : words)
        addWord(q, source, w.word, w.listings);
}

// Adds the words of one answered query in source order, then position.
void DeepRunEngine::Impl::mergeQuery(const Completion &c, StoreCommit &commit) {
    StoredQuery &q = queries[c.ordinal];
    const std::size_t before = rows.size();
    const std::size_t changedBefore = changedRows.size();
    if (c.status == Completion::Status::Answered) {
        const DeepSourceSet sources = options.sources;
        if (needs(sources, Request::Pc)) {
            if (std::optional<PcAnswer> pc = readPcAnswer(c.answer(AnswerKind::Pc))) {
                if (hasSource(sources, DeepSource::Pc))
                    addWords(q, DeepSource::Pc, pc->suggestions);
                if (hasSource(sources, DeepSource::Arrow)) {
                    ++stamp;
                    for (const auto &arrows : pc->arrows) {
                        for (const std::string &word : arrows)
                            addWord(q, DeepSource::Arrow, word, std::nullopt);
                    }
                }
            }
        }
        if (hasSource(sources, DeepSource::Mobile)) {
            if (auto words = suggestionWords(c.mobile(), true))
                addWords(q, DeepSource::Mobile, *words);
        }
        if (hasSource(sources, DeepSource::LongTail)) {
            ++stamp;
            for (const std::string &answer : c.longTail) {
                if (auto words = suggestionWords(answer, false)) {
                    for (const FoundWord &w : *words)
                        addWord(q, DeepSource::LongTail, w.word, w.listings);
                }
            }
        }
        if (hasSource(sources, DeepSource::Related)) {
            if (auto words = relatedWords(c.answer(AnswerKind::Search))) {
                ++stamp;
                for (const std::string &word : *words)
                    addWord(q, DeepSource::Related, word, std::nullopt);
            }
        }
        q.state = QueryState::Done;
    } else {
        q.state = QueryState::Failed;
    }
    ++queriesDone;
    commit.finished.emplace_back(q.ordinal, q.state);
    for (std::size_t i = changedBefore; i < changedRows.size(); ++i)
        commit.rows.emplace_back(changedRows[i], ResultRow{});
    for (std::size_t i = before; i < rows.size(); ++i)
        commit.rows.emplace_back(i, ResultRow{});
}

bool DeepRunEngine::Impl::sleepUnlessStopped(Clock::time_point until) {
    std::unique_lock lock(mutex);
    workCv.wait_until(lock, until, [&] { return halted() || closing; });
    return !(halted() || closing);
}

// Waits for the next start allowed on the host (the interval, a pause after a
// blocked answer); false when the run stops meanwhile.
bool DeepRunEngine::Impl::waitForSlot(const std::string &host) {
    std::unique_lock lock(mutex);
    const milliseconds interval(std::max(0, options.intervalMs));
    for (;;) {
        if (halted() || closing)
            return false;
        const Clock::time_point now = Clock::now();
        const Clock::time_point at = std::max({now, pauseUntil, nextStart[host]});
        if (at <= now) {
            nextStart[host] = now + interval;
            ++sent;
            return true;
        }
        workCv.wait_until(lock, at);
    }
}

DeepRunEngine::Impl::Got DeepRunEngine::Impl::fetch(AnswerKind kind, const std::string &query, Completion &c,
                                                    std::string &body) {
    for (const StoredAnswer &a : c.fresh) {
        if (a.kind == kind && a.query == query) {
            body = a.body;
            return Got::Answer;
        }
    }
    {
        std::lock_guard guard(storeMutex);
        auto stored = store.answer(runId, kind, query, cacheNotBefore);
        if (stored.ok() && stored.value()) {
            body = std::move(*stored.value());
            return Got::Answer;
        }
    }
    const std::string &host = hostOf(endpoints, kind);
    for (int attempt = 0; attempt < std::max(1, timing.maxAttempts); ++attempt) {
        if (attempt > 0) {
            const int base = timing.retryBaseMs << std::min(attempt - 1, 16);
            int extra = 0;
            {
                std::lock_guard guard(mutex);
                extra = std::uniform_int_distribution<int>(0, std::max(0, base / 2))(jitter);
            }
            if (!sleepUnlessStopped(Clock::now() + milliseconds(base + extra)))
                return Got::Aborted;
        }
        if (!waitForSlot(host))
            return Got::Aborted;
        FetchResult r = fetcher(requestUrl(endpoints, kind, query));
        switch (judgeAnswer(r, kind, endpoints)) {
        case Verdict::Answer:
            body = r.body;
            c.fresh.push_back({kind, query, nowUnix(), std::move(r.body)});
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
Completion DeepRunEngine::Impl::ask(std::size_t ordinal) {
    Completion c;
    c.ordinal = ordinal;
    const std::string &text = queries[ordinal].text;
    const DeepSourceSet sources = options.sources;
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

// Counts a query's outcome as it arrives, before the worker takes another:
// a blocked query pauses new requests and goes back to the head of the queue.
void DeepRunEngine::Impl::account(const Completion &c) {
    switch (c.status) {
    case Completion::Status::Answered:
        blockedStreak = 0;
        failStreak = 0;
        break;
    case Completion::Status::Failed:
        if (++failStreak >= timing.failuresInARow) {
            if (!ending)
                ending = RunOutcome::NetworkDown;
            halt = true;
        }
        break;
    case Completion::Status::Blocked:
        if (++blockedStreak >= timing.blockedInARow) {
            if (!ending)
                ending = RunOutcome::Blocked;
            halt = true;
        } else {
            const long long pause = static_cast<long long>(options.backoffMs) << (blockedStreak - 1);
            pauseUntil = std::max(pauseUntil, Clock::now() + milliseconds(pause));
        }
        todo.push_front(c.ordinal);
        workCv.notify_all();
        break;
    case Completion::Status::Aborted:
        break;
    }
}

// Answers wait in memory until every earlier query is merged; a query far
// ahead of the first one not merged waits, so answers cannot pile up behind
// a slow query or a slow merge.
bool DeepRunEngine::Impl::withinWindow(std::size_t ordinal) const {
    const std::size_t window = 4 * static_cast<std::size_t>(std::clamp(options.concurrency, 1, 16)) + 16;
    return ordinal < windowBase + window;
}

void DeepRunEngine::Impl::workerLoop() {
    std::unique_lock lock(mutex);
    for (;;) {
        workCv.wait(lock,
                    [&] { return closing || (!halted() && !todo.empty() && withinWindow(todo.front())); });
        if (closing)
            return;
        const std::size_t ordinal = todo.front();
        todo.pop_front();
        ++inFlight;
        lock.unlock();
        Completion c = ask(ordinal);
        lock.lock();
        --inFlight;
        account(c);
        arrived.push_back(std::move(c));
        doneCv.notify_all();
    }
}

void DeepRunEngine::Impl::report(bool force) {
    const Clock::time_point now = Clock::now();
    if (resultsCallback && (reportedRows < rows.size() || !changedRows.empty())) {
        ResultDelta delta;
        std::sort(changedRows.begin(), changedRows.end());
        changedRows.erase(std::unique(changedRows.begin(), changedRows.end()), changedRows.end());
        for (std::size_t i : changedRows)
            delta.changed.emplace_back(i, resultRow(i));
        for (std::size_t i = reportedRows; i < rows.size(); ++i)
            delta.added.push_back(resultRow(i));
        resultsCallback(delta);
    }
    reportedRows = rows.size();
    changedRows.clear();
    if (!progressCallback || (!force && now - lastProgress < milliseconds(timing.progressIntervalMs)))
        return;
    lastProgress = now;
    RunProgress p;
    p.queriesDone = queriesDone;
    p.queriesPlanned = static_cast<long long>(queries.size());
    p.words = static_cast<long long>(rows.size());
    const double seconds = std::chrono::duration<double>(now - started).count();
    {
        std::lock_guard guard(mutex);
        p.requestsPerSecond = seconds > 0 ? static_cast<double>(sent) / seconds : 0;
        p.pausedBlocked = pauseUntil > now;
    }
    const long long doneNow = queriesDone - doneAtStart;
    if (doneNow > 0 && seconds > 0)
        p.etaSeconds =
            static_cast<double>(p.queriesPlanned - p.queriesDone) * seconds / static_cast<double>(doneNow);
    progressCallback(p);
}

// Asks the pending queries of one level and merges their answers in query order.
RunOutcome DeepRunEngine::Impl::runLevel(const std::vector<std::size_t> &pending) {
    {
        std::lock_guard guard(mutex);
        todo.assign(pending.begin(), pending.end());
        windowBase = pending.empty() ? 0 : pending.front();
        workCv.notify_all();
    }
    std::map<std::size_t, Completion> ready;
    std::size_t cursor = 0;
    while (cursor < pending.size()) {
        std::vector<Completion> batch;
        bool drained = false;
        bool levelEnd = false;
        int failStreakNow = 0;
        {
            std::unique_lock lock(mutex);
            doneCv.wait_for(lock, milliseconds(std::max(timing.progressIntervalMs, 50)), [&] {
                return !arrived.empty() ||
                       (inFlight == 0 && (todo.empty() || halted() || !withinWindow(todo.front())));
            });
            batch.swap(arrived);
            if (stop && !ending)
                ending = RunOutcome::Stopped;
            drained = inFlight == 0 && arrived.empty() && (todo.empty() || halted());
            // Workers idle at the window's end count as the level's end for a failure held there.
            levelEnd = inFlight == 0 && arrived.empty() && !halted() &&
                       (todo.empty() || !withinWindow(todo.front()));
            failStreakNow = failStreak;
        }
        StoreCommit commit;
        for (Completion &c : batch) {
            for (StoredAnswer &a : c.fresh)
                commit.answers.push_back(std::move(a));
            if (c.status == Completion::Status::Answered || c.status == Completion::Status::Failed)
                ready.emplace(c.ordinal, std::move(c));
        }
        // A failed query waits for a later success (or the level's end): if the
        // network is down it stays pending and is asked again on resume.
        while (cursor < pending.size()) {
            auto it = ready.find(pending[cursor]);
            if (it == ready.end())
                break;
            if (it->second.status == Completion::Status::Failed && failStreakNow > 0 && !levelEnd)
                break;
            mergeQuery(it->second, commit);
            ready.erase(it);
            ++cursor;
        }
        {
            std::lock_guard lock(mutex);
            windowBase = cursor < pending.size() ? pending[cursor] : pending.back() + 1;
            workCv.notify_all();
        }
        if (!commit.answers.empty() || !commit.finished.empty()) {
            std::sort(commit.rows.begin(), commit.rows.end(),
                      [](const auto &a, const auto &b) { return a.first < b.first; });
            commit.rows.erase(std::unique(commit.rows.begin(), commit.rows.end(),
                                          [](const auto &a, const auto &b) { return a.first == b.first; }),
                              commit.rows.end());
            for (auto &[index, row] : commit.rows)
                row = resultRow(index);
            commit.queriesDone = queriesDone;
            commit.words = static_cast<long long>(rows.size());
            std::lock_guard guard(storeMutex);
            if (auto r = store.commit(runId, commit); !r.ok()) {
                storeError = r.error();
                requestStop();
                std::lock_guard lock(mutex);
                ending = RunOutcome::StoreFailed;
                drained = false;
            }
        }
        report(false);
        std::optional<RunOutcome> endingNow;
        {
            std::lock_guard lock(mutex);
            endingNow = ending;
        }
        if (endingNow && drained)
            return *endingNow;
        if (endingNow == RunOutcome::StoreFailed) {
            std::unique_lock lock(mutex);
            doneCv.wait(lock, [&] { return inFlight == 0; });
            return *endingNow;
        }
    }
    return RunOutcome::Done;
}

RunOutcome DeepRunEngine::Impl::run(const std::function<void(const RunProgress &)> &onProgress,
                                    const std::function<void(const ResultDelta &)> &onResults) {
    progressCallback = onProgress;
    resultsCallback = onResults;
    storeError.reset();
    started = Clock::now();
    lastProgress = started;
    {
        std::lock_guard guard(mutex);
        sent = 0;
        halt = false;
        blockedStreak = 0;
        failStreak = 0;
        ending.reset();
        closing = false;
        todo.clear();
        arrived.clear();
        pauseUntil = {};
        nextStart.clear();
    }
    if (auto r = store.acquireWriter(runId); !r.ok()) {
        storeError = r.error();
        return r.error().kind == StoreErrorKind::Locked ? RunOutcome::Locked : RunOutcome::StoreFailed;
    }
    if (auto r = load(); !r.ok()) {
        storeError = r.error();
        store.releaseWriter();
        return RunOutcome::StoreFailed;
    }
    if (!fetcher) {
        const WebRequestOptions web = webRequestDefaults();
        fetcher = [web](const std::string &url) { return httpGet(url, web); };
    }
    doneAtStart = queriesDone;
    reportedRows = rows.size();
    const int depthLimit = std::clamp(options.depth, 1, 5);
    int level = 1;
    if (!queries.empty()) {
        level = queries.front().depth;
        for (const StoredQuery &q : queries) {
            level = std::max(level, q.depth);
            if (q.state == QueryState::Pending) {
                level = q.depth;
                break;
            }
        }
    }
    RunOutcome outcome = RunOutcome::Done;
    if (queries.empty())
        planLevel(1);
    if (auto r = store.setState(runId, RunState::Running, static_cast<long long>(queries.size()));
        !r.ok() && !storeError)
        storeError = r.error();

    std::vector<std::thread> workers;
    const int concurrency = std::clamp(options.concurrency, 1, 16);
    for (int i = 0; i < concurrency; ++i)
        workers.emplace_back([this] { workerLoop(); });

    while (!storeError) {
        std::vector<std::size_t> pending;
        for (std::size_t i = 0; i < queries.size(); ++i) {
            if (queries[i].depth == level && queries[i].state == QueryState::Pending)
                pending.push_back(i);
        }
        outcome = runLevel(pending);
        if (outcome != RunOutcome::Done || level >= depthLimit)
            break;
        planLevel(++level);
    }
    if (storeError && outcome == RunOutcome::Done)
        outcome = RunOutcome::StoreFailed;
    if (outcome == RunOutcome::Done && static_cast<long long>(queries.size()) >= options.maxQueries &&
        moreToAsk())
        outcome = RunOutcome::MaxQueriesReached;
    {
        std::lock_guard guard(mutex);
        closing = true;
        workCv.notify_all();
    }
    for (std::thread &t : workers)
        t.join();
    requestsSent = sent;
    RunState state = RunState::Done;
    switch (outcome) {
    case RunOutcome::Done:
    case RunOutcome::MaxQueriesReached:
        state = RunState::Done;
        break;
    case RunOutcome::Stopped:
        state = RunState::Stopped;
        break;
    case RunOutcome::Blocked:
        state = RunState::Blocked;
        break;
    case RunOutcome::NetworkDown:
    case RunOutcome::StoreFailed:
    case RunOutcome::Locked:
        state = RunState::Failed;
        break;
    }
    // A run whose end is not stored did not end as reported.
    if (auto r = store.setState(runId, state, static_cast<long long>(queries.size()));
        !r.ok() && !storeError) {
        storeError = r.error();
        if (outcome == RunOutcome::Done || outcome == RunOutcome::MaxQueriesReached)
            outcome = RunOutcome::StoreFailed;
    }
    report(true);
    store.releaseWriter();
    return outcome;
}

DeepRunEngine::DeepRunEngine(RunStore &store, long long runId, MarketplaceEndpoints endpoints)
    : m_impl(std::make_unique<Impl>(store, runId, std::move(endpoints))) {}

DeepRunEngine::~DeepRunEngine() = default;

void DeepRunEngine::setTiming(const EngineTiming &timing) {
    m_impl->timing = timing;
}

void DeepRunEngine::setFetcher(Fetcher fetcher) {
    m_impl->fetcher = std::move(fetcher);
}

RunOutcome DeepRunEngine::run(const std::function<void(const RunProgress &)> &onProgress,
                              const std::function<void(const ResultDelta &)> &onResults) {
    return m_impl->run(onProgress, onResults);
}

void DeepRunEngine::requestStop() {
    m_impl->requestStop();
}

const std::optional<StoreError> &DeepRunEngine::storeError() const {
    return m_impl->storeError;
}

long long DeepRunEngine::requestsSent() const {
    return m_impl->requestsSent;
}

} // namespace orbisel::core
