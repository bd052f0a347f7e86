#include "core/runs/RunController.h"

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace orbisel::core {
namespace {

using namespace std::chrono_literals;

// PC suggestions only, one request at a time; every answer holds one new word.
DeepRunOptions pcOptions(int seeds) {
    DeepRunOptions o;
    for (int i = 0; i < seeds; ++i)
        o.seeds.push_back("种子" + std::to_string(i));
    o.sources = sourceBit(DeepSource::Pc);
    o.concurrency = 1;
    o.intervalMs = 0;
    o.cacheHours = 0;
    return o;
}

Fetcher countingFetcher(std::chrono::milliseconds delay = 0ms) {
    auto counter = std::make_shared<std::atomic<int>>(0);
    return [counter, delay](const std::string &) {
        std::this_thread::sleep_for(delay);
        FetchResult r;
        r.status = 200;
        r.contentType = "application/json;charset=UTF-8";
        r.body = "{\"result\":[[\"词" + std::to_string(++*counter) + "\",\"5\"]]}";
        return r;
    };
}

class RunControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = RunStore::open(path());
        ASSERT_TRUE(opened.ok());
        store = std::move(opened).value();
    }
    std::string path() const { return dir.filePath("store.sqlite").toStdString(); }
    RunControllerSettings settings(Fetcher fetcher) const {
        return {.storePath = path(),
                .endpoints = {"suggest.invalid", "search.invalid"},
                .fetcher = std::move(fetcher),
                .deliverRows = true};
    }
    // Takes until the end, one delta at a time; the rows in order.
    static std::vector<std::string> takeToEnd(RunController &controller, RunEnd &end) {
        std::vector<std::string> words;
        for (int i = 0; i < 2000; ++i) {
            RunBatch batch = controller.take(1);
            for (const ResultRow &row : batch.rows.added)
                words.push_back(row.word);
            if (batch.end) {
                EXPECT_FALSE(batch.more);
                end = *batch.end;
                return words;
            }
            std::this_thread::sleep_for(5ms);
        }
        ADD_FAILURE() << "no end";
        return words;
    }
    std::vector<std::string> storedWords(long long runId) const {
        std::vector<std::string> words;
        EXPECT_TRUE(store
                        ->forEachResult(runId,
                                        [&](const ResultRow &row) {
                                            words.push_back(row.word);
                                            return true;
                                        })
                        .ok());
        return words;
    }

    QTemporaryDir dir;
    std::unique_ptr<RunStore> store;
};

TEST_F(RunControllerTest, run_rowsArriveInResultOrderBeforeTheEnd_andOpeningDeliversTheStoredOnes) {
    const long long runId = store->createRun(pcOptions(6)).value();
    RunController controller(settings(countingFetcher()));
    std::atomic<int> hooked{0};
    std::atomic<int> wakes{0};
    controller.setRowsHook([&](const ResultDelta &delta) { hooked += static_cast<int>(delta.added.size()); });
    controller.setWake([&] { ++wakes; });
    ASSERT_TRUE(controller.start(runId, true));
    EXPECT_FALSE(controller.start(runId, true)); // one work at a time
    EXPECT_TRUE(controller.busy());
    RunEnd end;
    const std::vector<std::string> words = takeToEnd(controller, end);
    EXPECT_TRUE(end.ran);
    EXPECT_EQ(end.outcome, RunOutcome::Done);
    EXPECT_FALSE(end.storeError);
    EXPECT_FALSE(controller.busy());
    EXPECT_EQ(words.size(), 6u);
    EXPECT_EQ(words, storedWords(runId));
    EXPECT_EQ(hooked, 6);
    EXPECT_GT(wakes, 0);

    ASSERT_TRUE(controller.start(runId, false));
    RunEnd opened;
    EXPECT_EQ(takeToEnd(controller, opened), words);
    EXPECT_FALSE(opened.ran);
    EXPECT_EQ(hooked, 12);
}

TEST_F(RunControllerTest, stopAskedAtOnce_stopsTheRunResumably) {
    const long long runId = store->createRun(pcOptions(20)).value();
    {
        RunController controller(settings(countingFetcher(20ms)));
        ASSERT_TRUE(controller.start(runId, true));
        controller.requestStop(); // before or after the engine began
        RunEnd end;
        EXPECT_LT(takeToEnd(controller, end).size(), 20u);
        EXPECT_EQ(end.outcome, RunOutcome::Stopped);
    }
    EXPECT_EQ(store->summary(runId).value().state, RunState::Stopped);
    RunController resumed(settings(countingFetcher()));
    ASSERT_TRUE(resumed.start(runId, true));
    RunEnd end;
    takeToEnd(resumed, end);
    EXPECT_EQ(end.outcome, RunOutcome::Done);
    EXPECT_EQ(storedWords(runId).size(), 20u);
}

TEST_F(RunControllerTest, unknownRunOrBrokenStore_endsWithTheStoreError) {
    RunController unknown(settings(countingFetcher()));
    ASSERT_TRUE(unknown.start(99, false));
    RunEnd end;
    takeToEnd(unknown, end);
    ASSERT_TRUE(end.storeError);
    EXPECT_EQ(end.storeError->kind, StoreErrorKind::UnknownRun);

    RunControllerSettings broken = settings(countingFetcher());
    broken.storePath = dir.filePath("none/store.sqlite").toStdString();
    RunController controller(std::move(broken));
    ASSERT_TRUE(controller.start(1, true));
    takeToEnd(controller, end);
    EXPECT_FALSE(end.ran);
    ASSERT_TRUE(end.storeError);
}

} // namespace
} // namespace orbisel::core
