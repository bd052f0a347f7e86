#include "core/engine/RequestScheduler.h"

#include "web/Clock.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <set>

namespace orbisel::core {
namespace {

using namespace std::chrono_literals;

const MarketplaceEndpoints kEndpoints{"sug.test", "search.test"};

FetchResult jsonAnswer(const std::string &body) {
    FetchResult r;
    r.status = 200;
    r.contentType = "application/json";
    r.body = body;
    return r;
}

class RequestSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        auto opened = RunStore::open(m_dir.filePath("mining.sqlite").toStdString());
        ASSERT_TRUE(opened.ok());
        m_store = std::move(opened).value();
        m_options.sources = sourceBit(DeepSource::Pc);
        m_options.concurrency = 1;
        m_options.pace = Pacing::Fixed;
        m_options.intervalMs = 0;
        m_options.backoffMs = 1;
        auto run = m_store->createRun(m_options);
        ASSERT_TRUE(run.ok());
        m_runId = run.value();
        ASSERT_TRUE(m_store->acquireWriter(m_runId).ok());
    }

    static std::vector<PlannedAsk> asks(int count) {
        std::vector<PlannedAsk> pending;
        for (int i = 0; i < count; ++i)
            pending.push_back({static_cast<std::size_t>(i), "q" + std::to_string(i), {}});
        return pending;
    }

    struct Collected {
        std::vector<Completion> completions;
        std::optional<RunOutcome> ending;
        int failStreak = 0;
    };
    // Everything that arrives until the scheduler is drained, every query merged at once.
    static Collected collectAll(RequestScheduler &scheduler) {
        Collected collected;
        for (int i = 0; i < 200; ++i) {
            RequestScheduler::Arrivals arrivals = scheduler.collect(50ms);
            for (Completion &c : arrivals.completions)
                collected.completions.push_back(std::move(c));
            scheduler.mergedUpTo(1000);
            collected.failStreak = std::max(collected.failStreak, arrivals.failStreak);
            if (arrivals.ending)
                collected.ending = arrivals.ending;
            if (arrivals.drained)
                break;
        }
        return collected;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RunStore> m_store;
    DeepRunOptions m_options;
    long long m_runId = 0;
    EngineTiming m_timing{.retryBaseMs = 1, .maxAttempts = 3, .failuresInARow = 2};
};

TEST_F(RequestSchedulerTest, askLevel_answersEveryQueryOnce_takingStoredAnswersFirst) {
    StoreCommit stored;
    stored.answers.push_back({AnswerKind::Pc, "q2", nowUnix(), "stored answer"});
    ASSERT_TRUE(m_store->commit(m_runId, stored).ok());
    m_options.concurrency = 3;
    std::atomic<int> fetched = 0;
    RequestScheduler scheduler(*m_store, m_runId, kEndpoints);
    scheduler.start(
        m_options, m_timing,
        [&](const std::string &url) {
            ++fetched;
            return jsonAnswer("fetched " + url.substr(0, url.find("&_ksTS")));
        },
        0);
    scheduler.askLevel(asks(6));
    const Collected collected = collectAll(scheduler);
    EXPECT_FALSE(collected.ending);
    ASSERT_EQ(collected.completions.size(), 6u);
    std::set<std::size_t> ordinals;
    for (const Completion &c : collected.completions) {
        EXPECT_EQ(c.status, Completion::Status::Answered) << c.query.text;
        ordinals.insert(c.query.ordinal);
        if (c.query.text == "q2") {
            EXPECT_EQ(c.answer(AnswerKind::Pc), "stored answer");
            EXPECT_TRUE(c.fresh.empty());
        } else {
            // Every byte of the query percent-encoded.
            EXPECT_TRUE(c.answer(AnswerKind::Pc).ends_with("q=%71%" + std::to_string(30 + c.query.ordinal)))
                << c.answer(AnswerKind::Pc);
            ASSERT_EQ(c.fresh.size(), 1u);
            EXPECT_EQ(c.fresh[0].query, c.query.text);
        }
        EXPECT_TRUE(c.answer(AnswerKind::Mobile).empty()); // a source the run does not read
    }
    EXPECT_EQ(ordinals.size(), 6u);
    EXPECT_EQ(scheduler.finish(), 5);
    EXPECT_EQ(fetched, 5);
}

TEST_F(RequestSchedulerTest, refusalsInARow_pauseTwiceThenBlockAFixedPace) {
    std::atomic<int> fetched = 0;
    RequestScheduler scheduler(*m_store, m_runId, kEndpoints);
    scheduler.start(
        m_options, m_timing,
        [&](const std::string &) {
            ++fetched;
            FetchResult refused = jsonAnswer("");
            refused.status = 403;
            return refused;
        },
        0);
    scheduler.askLevel(asks(3));
    const Collected collected = collectAll(scheduler);
    EXPECT_EQ(collected.ending, RunOutcome::Blocked);
    for (const Completion &c : collected.completions)
        EXPECT_NE(c.status, Completion::Status::Answered);
    EXPECT_EQ(scheduler.finish(), 3);
    EXPECT_EQ(fetched, 3); // one request at a time: each refusal counts, the third blocks
}

TEST_F(RequestSchedulerTest, transientFailures_areRetried_andFailedQueriesInARowMeanTheNetworkIsDown) {
    std::atomic<int> fetched = 0;
    RequestScheduler scheduler(*m_store, m_runId, kEndpoints);
    scheduler.start(
        m_options, m_timing,
        [&](const std::string &) {
            ++fetched;
            FetchResult r;
            r.failure = FetchFailure::TimedOut;
            return r;
        },
        0);
    scheduler.askLevel(asks(4));
    const Collected collected = collectAll(scheduler);
    EXPECT_EQ(collected.ending, RunOutcome::NetworkDown);
    // The run halts after the second failed query; a query taken after it is not asked.
    std::set<std::string> failed;
    for (const Completion &c : collected.completions) {
        if (c.status == Completion::Status::Failed)
            failed.insert(c.query.text);
        else
            EXPECT_EQ(c.status, Completion::Status::Aborted) << c.query.text;
    }
    EXPECT_EQ(failed, (std::set<std::string>{"q0", "q1"}));
    EXPECT_GE(collected.failStreak, 2);
    EXPECT_EQ(scheduler.finish(), 6); // three attempts each
    EXPECT_EQ(fetched, 6);
}

} // namespace
} // namespace orbisel::core
