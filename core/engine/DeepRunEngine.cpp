#include "core/engine/DeepRunEngine.h"

#include "core/base/WordText.h"
#include "core/engine/RequestScheduler.h"
#include "core/engine/RunPlanner.h"
#include "core/engine/RunRows.h"
#include "core/engine/WordFilter.h"
#include "core/marketplace/SuggestionAnswers.h"
#include "web/Clock.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <map>
#include <unordered_map>

namespace orbisel::core {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

RunState stateAfter(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Done:
    case RunOutcome::MaxQueriesReached:
        return RunState::Done;
    case RunOutcome::Stopped:
        return RunState::Stopped;
    case RunOutcome::Blocked:
        return RunState::Blocked;
    case RunOutcome::NetworkDown:
    case RunOutcome::StoreFailed:
    case RunOutcome::Locked:
        return RunState::Failed;
    }
    return RunState::Failed;
}

} // namespace

class DeepRunEngine::Impl {
public:
    Impl(RunStore &store, long long runId, MarketplaceEndpoints endpoints)
        : store(store), runId(runId), endpoints(std::move(endpoints)),
          scheduler(store, runId, this->endpoints) {}

    RunOutcome run(const std::function<void(const RunProgress &)> &onProgress,
                   const std::function<void(const ResultDelta &)> &onResults);
    void requestStop() { scheduler.requestStop(); }

    RunStore &store;
    const long long runId;
    const MarketplaceEndpoints endpoints;
    EngineTiming timing;
    Fetcher fetcher;
    std::optional<StoreError> storeError;
    long long requestsSent = 0;

private:
    Result<void, StoreError> load();
    void planLevel(int depth);
    int firstLevel() const;
    void mergeQuery(const Completion &c, StoreCommit &commit);
    // The suggestions of one answer, each earning by its position.
    void addSuggestions(const StoredQuery &q, DeepSource source, const std::vector<FoundWord> &words);
    // Words of one answer that earn kRefinementEarning each.
    void addRefinements(const StoredQuery &q, DeepSource source, const std::vector<std::string> &words);
    void addWord(const StoredQuery &q, const std::string &word, const RunRows::Found &found);
    void commitMerged(StoreCommit &commit);
    ResultRow resultRow(std::size_t index) const;
    RunOutcome runLevel(const std::vector<std::size_t> &pending);
    void report(bool force);

    // Run state, owned by the run() thread.
    DeepRunOptions options;
    WordFilter filter;
    RunPlanner planner{options};
    std::vector<StoredQuery> queries;
    RunRows rows;
    // Rows stored before sums were kept have none; such a run keeps none.
    bool keepsPopularity = true;
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

    RequestScheduler scheduler;
};

Result<void, StoreError> DeepRunEngine::Impl::load() {
    auto o = store.options(runId);
    if (!o.ok())
        return Failure{o.error()};
    options = std::move(o).value();
    auto summary = store.summary(runId);
    if (!summary.ok())
        return Failure{summary.error()};
    filter = WordFilter(options);
    cacheNotBefore = options.cacheHours > 0
                         ? orbisel::nowUnix() - static_cast<std::int64_t>(options.cacheHours) * 3600
                         : std::numeric_limits<std::int64_t>::max();
    auto q = store.queries(runId);
    if (!q.ok())
        return Failure{q.error()};
    queries = std::move(q).value();
    planner.restore(queries);
    queriesDone = 0;
    std::unordered_map<std::string, std::uint32_t> ordinalOf;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        ordinalOf.emplace(queries[i].text, static_cast<std::uint32_t>(i));
        if (queries[i].state != QueryState::Pending)
            ++queriesDone;
    }
    std::unordered_map<std::string, std::uint32_t> seedOf;
    for (std::size_t i = 0; i < options.seeds.size(); ++i)
        seedOf.emplace(options.seeds[i], static_cast<std::uint32_t>(i));
    rows.clear();
    rows.setRule(summary.value().occurrenceRule);
    keepsPopularity = true;
    return store.forEachResult(runId, [&](const ResultRow &row) {
        RunRow compact;
        compact.word = row.word;
        compact.listings = row.listings.value_or(-1);
        compact.popularity = PopularityTally(row.popularity.value_or(0));
        keepsPopularity = keepsPopularity && row.popularity.has_value();
        compact.occurrences = static_cast<std::uint32_t>(row.occurrences);
        compact.seed = seedOf.count(row.seed) ? seedOf[row.seed] : 0;
        compact.parent = ordinalOf.count(row.parent) ? ordinalOf[row.parent] : 0;
        compact.sources = row.sources;
        compact.depth = static_cast<std::uint8_t>(row.depth);
        rows.restore(std::move(compact));
        return true;
    });
}

void DeepRunEngine::Impl::planLevel(int depth) {
    std::vector<StoredQuery> planned = planner.planLevel(depth, queries, rows);
    if (planned.empty())
        return;
    if (auto r = store.addQueries(runId, planned); !r.ok()) {
        storeError = r.error();
        return;
    }
    queries.insert(queries.end(), planned.begin(), planned.end());
}

// The level a resumed run goes on with: that of its first pending query, else its deepest.
int DeepRunEngine::Impl::firstLevel() const {
    if (queries.empty())
        return 1;
    int level = queries.front().depth;
    for (const StoredQuery &q : queries) {
        level = std::max(level, q.depth);
        if (q.state == QueryState::Pending)
            return q.depth;
    }
    return level;
}

ResultRow DeepRunEngine::Impl::resultRow(std::size_t index) const {
    const RunRow &row = rows[index];
    ResultRow out;
    out.word = row.word;
    out.seed = row.seed < options.seeds.size() ? options.seeds[row.seed] : std::string();
    out.sources = row.sources;
    if (row.listings >= 0)
        out.listings = row.listings;
    out.depth = row.depth;
    out.parent = queries[row.parent].text;
    out.occurrences = row.occurrences;
    if (keepsPopularity)
        out.popularity = row.popularity.sum();
    return out;
}

void DeepRunEngine::Impl::addWord(const StoredQuery &q, const std::string &word,
                                  const RunRows::Found &found) {
    const std::string key = comparisonKey(word);
    if (key.empty() || !filter.keeps(word))
        return;
    const RunRows::Added added =
        rows.add(word, key, found,
                 {static_cast<std::uint32_t>(q.seedIndex), static_cast<std::uint32_t>(q.ordinal), q.depth});
    if (!added.isNew && added.index < reportedRows)
        changedRows.push_back(added.index);
}

void DeepRunEngine::Impl::addSuggestions(const StoredQuery &q, DeepSource source,
                                         const std::vector<FoundWord> &words) {
    for (std::size_t i = 0; i < words.size(); ++i)
        addWord(q, words[i].word, {source, words[i].listings, suggestionEarning(i + 1, words.size())});
}

void DeepRunEngine::Impl::addRefinements(const StoredQuery &q, DeepSource source,
                                         const std::vector<std::string> &words) {
    for (const std::string &word : words)
        addWord(q, word, {source, std::nullopt, kRefinementEarning});
}

// Adds the words of one answered query in source order, then position.
void DeepRunEngine::Impl::mergeQuery(const Completion &c, StoreCommit &commit) {
    StoredQuery &q = queries[c.query.ordinal];
    const std::size_t before = rows.size();
    const std::size_t changedBefore = changedRows.size();
    if (c.status == Completion::Status::Answered) {
        const DeepSourceSet sources = options.sources;
        if (needs(sources, Request::Pc)) {
            if (std::optional<PcAnswer> pc = readPcAnswer(c.answer(AnswerKind::Pc))) {
                rows.answerStarts();
                if (hasSource(sources, DeepSource::Pc)) {
                    rows.sourceStarts();
                    addSuggestions(q, DeepSource::Pc, pc->suggestions);
                }
                if (hasSource(sources, DeepSource::Arrow)) {
                    rows.sourceStarts(); // the refinements belong to the PC answer they came in
                    for (const auto &arrows : pc->arrows)
                        addRefinements(q, DeepSource::Arrow, arrows);
                }
            }
        }
        if (hasSource(sources, DeepSource::Mobile)) {
            if (auto words = suggestionWords(c.mobile(), true)) {
                rows.answerStarts();
                rows.sourceStarts();
                addSuggestions(q, DeepSource::Mobile, *words);
            }
        }
        if (hasSource(sources, DeepSource::LongTail)) {
            rows.sourceStarts();
            for (const std::string &answer : c.longTail) {
                if (auto words = suggestionWords(answer, false)) {
                    rows.answerStarts();
                    addSuggestions(q, DeepSource::LongTail, *words);
                }
            }
        }
        if (hasSource(sources, DeepSource::Related)) {
            if (auto words = relatedWords(c.answer(AnswerKind::Search))) {
                rows.answerStarts();
                rows.sourceStarts();
                addRefinements(q, DeepSource::Related, *words);
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
    p.requestsPerSecond = seconds > 0 ? static_cast<double>(scheduler.sent()) / seconds : 0;
    p.pausedBlocked = scheduler.pausedBlocked(now);
    p.hostRates = scheduler.hostRates(now);
    const long long doneNow = queriesDone - doneAtStart;
    if (doneNow > 0 && seconds > 0)
        p.etaSeconds =
            static_cast<double>(p.queriesPlanned - p.queriesDone) * seconds / static_cast<double>(doneNow);
    progressCallback(p);
}

// Writes the merged queries with the answers that arrived and the rows they touched.
void DeepRunEngine::Impl::commitMerged(StoreCommit &commit) {
    std::sort(commit.rows.begin(), commit.rows.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    commit.rows.erase(std::unique(commit.rows.begin(), commit.rows.end(),
                                  [](const auto &a, const auto &b) { return a.first == b.first; }),
                      commit.rows.end());
    for (auto &[index, row] : commit.rows)
        row = resultRow(index);
    commit.queriesDone = queriesDone;
    commit.words = static_cast<long long>(rows.size());
    std::lock_guard guard(scheduler.storeMutex());
    if (auto r = store.commit(runId, commit); !r.ok()) {
        storeError = r.error();
        scheduler.failStore();
    }
}

// Asks the pending queries of one level and merges their answers in query order.
RunOutcome DeepRunEngine::Impl::runLevel(const std::vector<std::size_t> &pending) {
    std::vector<PlannedAsk> asks;
    asks.reserve(pending.size());
    for (std::size_t ordinal : pending)
        asks.push_back({ordinal, queries[ordinal].text});
    scheduler.askLevel(std::move(asks));
    std::map<std::size_t, Completion> ready;
    std::size_t cursor = 0;
    while (cursor < pending.size()) {
        RequestScheduler::Arrivals arrivals =
            scheduler.collect(milliseconds(std::max(timing.progressIntervalMs, 50)));
        StoreCommit commit;
        for (Completion &c : arrivals.completions) {
            for (StoredAnswer &a : c.fresh)
                commit.answers.push_back(std::move(a));
            if (c.status == Completion::Status::Answered || c.status == Completion::Status::Failed)
                ready.emplace(c.query.ordinal, std::move(c));
        }
        // A failed query waits for a later success (or the level's end): if the
        // network is down it stays pending and is asked again on resume.
        while (cursor < pending.size()) {
            auto it = ready.find(pending[cursor]);
            if (it == ready.end())
                break;
            if (it->second.status == Completion::Status::Failed && arrivals.failStreak > 0 &&
                !arrivals.levelEnd)
                break;
            mergeQuery(it->second, commit);
            ready.erase(it);
            ++cursor;
        }
        scheduler.mergedUpTo(cursor < pending.size() ? pending[cursor] : pending.back() + 1);
        bool drained = arrivals.drained;
        if (!commit.answers.empty() || !commit.finished.empty()) {
            commitMerged(commit);
            if (storeError)
                drained = false;
        }
        report(false);
        const std::optional<RunOutcome> ending = scheduler.ending();
        if (ending && drained)
            return *ending;
        if (ending == RunOutcome::StoreFailed) {
            scheduler.waitIdle();
            return *ending;
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
    int level = firstLevel();
    RunOutcome outcome = RunOutcome::Done;
    if (queries.empty())
        planLevel(1);
    if (auto r = store.setState(runId, RunState::Running, static_cast<long long>(queries.size()));
        !r.ok() && !storeError)
        storeError = r.error();

    scheduler.start(options, timing, fetcher, cacheNotBefore);
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
        planner.moreToAsk(rows))
        outcome = RunOutcome::MaxQueriesReached;
    requestsSent = scheduler.finish();
    // A run whose end is not stored did not end as reported.
    if (auto r = store.setState(runId, stateAfter(outcome), static_cast<long long>(queries.size()));
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
