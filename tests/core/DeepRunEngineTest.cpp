#include "core/engine/DeepRunEngine.h"

#include "MarketplaceServer.h"
#include "core/files/ResultWriters.h"
#include "core/runs/StoredRun.h"
#include "core/store/RunStore.h"
#include "web/TextRules.h"

#include <QTemporaryDir>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sqlite3.h>

using namespace orbisel;
using namespace orbisel::core;
using orbisel::test::MarketplaceServerTest;

namespace {

// One result row as "word|seed|sources|listings|depth|parent|occurrences".
std::string rowText(const ResultRow &r) {
    return r.word + "|" + r.seed + "|" + sourcesText(r.sources) + "|" +
           (r.listings ? std::to_string(*r.listings) : "") + "|" + std::to_string(r.depth) + "|" + r.parent +
           "|" + std::to_string(r.occurrences);
}

// The row with its popularity sum to the last bit: "…|occurrences|sum".
std::string rowWithSum(const ResultRow &r) {
    char sum[32] = "none";
    if (r.popularity)
        std::snprintf(sum, sizeof sum, "%a", *r.popularity);
    return rowText(r) + "|" + sum;
}

std::vector<std::string> rowsOf(RunStore &store, long long runId,
                                std::string (*text)(const ResultRow &) = rowText) {
    std::vector<std::string> rows;
    EXPECT_TRUE(store
                    .forEachResult(runId,
                                   [&](const ResultRow &r) {
                                       rows.push_back(text(r));
                                       return true;
                                   })
                    .ok());
    return rows;
}

std::string percentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

DeepSourceSet sources(std::initializer_list<DeepSource> list) {
    DeepSourceSet set = 0;
    for (DeepSource s : list)
        set |= sourceBit(s);
    return set;
}

class DeepRunEngineTest : public MarketplaceServerTest {
protected:
    void SetUp() override {
        MarketplaceServerTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    // Answers from these tables (JSON objects keyed by q) from now on.
    void serve(const std::string &pc, const std::string &mobile = "{}", const std::string &search = "{}",
               int synthetic = 0) {
        const std::string folder = dir.path().toStdString() + "/fixtures" + std::to_string(++fixtureCount);
        std::filesystem::create_directories(folder);
        for (const auto &[name, text] :
             {std::pair{"sug-pc.json", pc}, {"sug-mobile.json", mobile}, {"search.json", search}})
            std::ofstream(folder + "/" + name) << text;
        ASSERT_TRUE(server->useFixtures(folder, 0, synthetic));
    }

    std::unique_ptr<RunStore> openStore(const std::string &name = "mining.sqlite") {
        auto store = RunStore::open(dir.path().toStdString() + "/" + name);
        EXPECT_TRUE(store.ok()) << (store.ok() ? "" : store.error().detail);
        return store.ok() ? std::move(store).value() : nullptr;
    }

    static DeepRunOptions options(std::vector<std::string> seeds) {
        DeepRunOptions o;
        o.seeds = std::move(seeds);
        o.intervalMs = 0;
        o.backoffMs = 20;
        o.concurrency = 1;
        return o;
    }

    RunOutcome run(RunStore &store, long long runId, DeepRunEngine **running = nullptr) {
        DeepRunEngine engine(store, runId, server->endpoints());
        engine.setTiming(timing);
        if (fetcher)
            engine.setFetcher(fetcher);
        if (running)
            *running = &engine;
        const RunOutcome outcome = engine.run(onProgress);
        lastSent = engine.requestsSent();
        return outcome;
    }

    // The rows of an undisturbed run of `o` in a store of its own.
    std::vector<std::string> referenceRows(const DeepRunOptions &o,
                                           std::string (*text)(const ResultRow &) = rowText) {
        auto reference = openStore("reference.sqlite");
        const long long id = reference->createRun(o).value();
        EXPECT_EQ(run(*reference, id), RunOutcome::Done);
        return rowsOf(*reference, id, text);
    }

    // The q of every request of one endpoint received since the log was cleared.
    std::vector<std::string> asked(const std::string &endpoint) const {
        std::vector<std::string> qs;
        for (const std::string &line : server->requestLines()) {
            const bool pc = line.find("_ksTS=") != std::string::npos;
            const bool search = line.starts_with("GET /search");
            const std::string kind = search ? "search" : pc ? "pc" : "mobile";
            if (kind != endpoint)
                continue;
            const std::size_t q =
                line.find("&q=") != std::string::npos ? line.find("&q=") + 3 : line.find("?q=") + 3;
            qs.push_back(percentDecode(line.substr(q, line.find_first_of("& ", q) - q)));
        }
        return qs;
    }

    QTemporaryDir dir;
    int fixtureCount = 0;
    EngineTiming timing{.retryBaseMs = 5, .progressIntervalMs = 0};
    std::function<void(const RunProgress &)> onProgress;
    Fetcher fetcher; // none: the stand-in
    long long lastSent = 0;
};

// 甲's PC answer has an arrow group for its first suggestion; 甲二 is both a
// PC and a mobile word of 甲; 甲二 answers 甲一 again with a larger count.
const char *kPc = R"({
  "甲": {"result": [["<b>甲</b>一", "10"], ["甲 二", "20"]],
         "magic": [{"index": "1", "data": [[{"title": "乙"}]]}]},
  "甲一": {"result": [["甲一X", "1"]]},
  "甲二": {"result": [["甲一", "99"]]},
  "丙": {"result": [["丙一", "7"]]},
  "丙0": {"result": [["丙零", "3"]]}
})";
const char *kMobile = R"({
  "甲": {"result": [["甲二", "25"], ["甲三", "5"]]},
  "甲二": {"result": [["甲二 长款", "4"], [" 甲一 ", "2"]]},
  "甲一": {"result": []},
  "甲三": {"result": []}
})";
const char *kSearch = R"({
  "甲": {"status": "show", "data": {"words": [{"text": "甲 相关"}, {"text": "甲一"}]}}
})";

TEST_F(DeepRunEngineTest, sourcesExpansionAndDepth_giveRowsInDepthQueryAndSourceOrder) {
    const struct {
        const char *name;
        std::vector<std::string> seeds;
        ExpansionSet expansions;
        DeepSourceSet sources;
        int depth;
        int maxQueries;
        RunOutcome outcome;
        std::vector<std::string> rows;
        std::vector<std::string> pcAsked;
    } cases[] = {
        {"default sources, depth 1",
         {"甲"},
         0,
         kDefaultSources,
         1,
         5000,
         RunOutcome::Done,
         {"甲一|甲|pc|10|1|甲|1", "甲二|甲|pc|mobile|25|1|甲|2", "甲一乙|甲|arrow||1|甲|1",
          "甲三|甲|mobile|5|1|甲|1"},
         {"甲"}},
        {"depth 2 asks each kept word once, in row order",
         {"甲"},
         0,
         kDefaultSources,
         2,
         5000,
         RunOutcome::Done,
         {"甲一|甲|pc|mobile|99|1|甲|3", "甲二|甲|pc|mobile|25|1|甲|2", "甲一乙|甲|arrow||1|甲|1",
          "甲三|甲|mobile|5|1|甲|1", "甲一X|甲|pc|1|2|甲一|1", "甲二长款|甲|mobile|4|2|甲二|1"},
         {"甲", "甲一", "甲二", "甲一乙", "甲三"}},
        {"long tail asks the mobile words, keeping spaces; related words unchanged",
         {"甲"},
         0,
         sources({DeepSource::LongTail, DeepSource::Related}),
         1,
         5000,
         RunOutcome::Done,
         {"甲二 长款|甲|longtail|4|1|甲|1", "甲一|甲|longtail|related|2|1|甲|2",
          "甲 相关|甲|related||1|甲|1"},
         {}},
        {"digits after the seed itself",
         {"丙"},
         expansionBit(Expansion::Digits),
         sources({DeepSource::Pc}),
         1,
         5000,
         RunOutcome::Done,
         {"丙一|丙|pc|7|1|丙|1", "丙零|丙|pc|3|1|丙0|1"},
         {"丙", "丙0", "丙1", "丙2", "丙3", "丙4", "丙5", "丙6", "丙7", "丙8", "丙9"}},
        {"max queries ends the run early",
         {"丙"},
         expansionBit(Expansion::Digits),
         sources({DeepSource::Pc}),
         1,
         2,
         RunOutcome::MaxQueriesReached,
         {"丙一|丙|pc|7|1|丙|1", "丙零|丙|pc|3|1|丙0|1"},
         {"丙", "丙0"}},
        {"queries equal after trimming and folding are asked once",
         {"丙", " 丙", "丙\xE3\x80\x80", "ab", "AB"},
         0,
         sources({DeepSource::Pc}),
         1,
         5000,
         RunOutcome::Done,
         {"丙一|丙|pc|7|1|丙|1"},
         {"丙", "ab"}},
    };
    serve(kPc, kMobile, kSearch);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        server->clearLog();
        auto store = openStore(std::string(c.name).substr(0, 8) + ".sqlite");
        DeepRunOptions o = options(c.seeds);
        o.expansions = c.expansions;
        o.sources = c.sources;
        o.depth = c.depth;
        o.maxQueries = c.maxQueries;
        const long long id = store->createRun(o).value();
        EXPECT_EQ(run(*store, id), c.outcome);
        EXPECT_EQ(rowsOf(*store, id), c.rows);
        EXPECT_EQ(asked("pc"), c.pcAsked);
        const RunSummary summary = store->summary(id).value();
        EXPECT_EQ(summary.state, RunState::Done);
        EXPECT_EQ(summary.words, static_cast<long long>(c.rows.size()));
        EXPECT_EQ(summary.queriesDone, summary.queriesPlanned);
    }
}

// 出现次数 counts the answers (HTTP responses) that contained the word.
TEST_F(DeepRunEngineTest, occurrences_countTheAnswersThatContainedTheWord) {
    serve(R"({
      "妈妈装": {"result": [["妈妈装春装", "10"], ["妈妈装春装外套", "5"]],
                 "magic": [{"index": "1", "data": [[{"title": "外套"}]]}]},
      "丁": {"result": [["丁词", "3"]]}
    })",
          R"({
      "乙": {"result": [["乙一", "1"], ["乙二", "1"]]},
      "乙一": {"result": [["乙词", "1"]]},
      "乙二": {"result": [["乙词", "1"]]},
      "丁": {"result": [["丁词", "3"]]}
    })");
    const struct {
        const char *name;
        std::string seed;
        DeepSourceSet sources;
        OccurrenceRule rule;
        std::string word;
        long long occurrences;
    } cases[] = {
        {"a PC suggestion and its refinement in one answer", "妈妈装",
         sources({DeepSource::Pc, DeepSource::Arrow}), OccurrenceRule::PerAnswer, "妈妈装春装外套", 1},
        {"two long-tail answers", "乙", sources({DeepSource::LongTail}), OccurrenceRule::PerAnswer, "乙词",
         2},
        {"a PC and a mobile answer", "丁", kDefaultSources, OccurrenceRule::PerAnswer, "丁词", 2},
        {"a stored run of the older rule: once per source", "妈妈装",
         sources({DeepSource::Pc, DeepSource::Arrow}), OccurrenceRule::PerQueryAndSource, "妈妈装春装外套",
         2},
        {"a stored run of the older rule: long tail once", "乙", sources({DeepSource::LongTail}),
         OccurrenceRule::PerQueryAndSource, "乙词", 1},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "occurrences" + std::to_string(++n) + ".sqlite";
        auto store = openStore(name);
        DeepRunOptions o = options({c.seed});
        o.sources = c.sources;
        const long long id = store->createRun(o).value();
        if (c.rule == OccurrenceRule::PerQueryAndSource) {
            sqlite3 *db = nullptr;
            ASSERT_EQ(sqlite3_open((dir.path().toStdString() + "/" + name).c_str(), &db), SQLITE_OK);
            EXPECT_EQ(sqlite3_exec(db, "UPDATE runs SET occurrence_rule = 0", nullptr, nullptr, nullptr),
                      SQLITE_OK);
            sqlite3_close(db);
        }
        EXPECT_EQ(store->summary(id).value().occurrenceRule, c.rule);
        ASSERT_EQ(run(*store, id), RunOutcome::Done);
        std::optional<long long> occurrences;
        ASSERT_TRUE(store
                        ->forEachResult(id,
                                        [&](const ResultRow &r) {
                                            if (r.word == c.word)
                                                occurrences = r.occurrences;
                                            return true;
                                        })
                        .ok());
        EXPECT_EQ(occurrences, c.occurrences);
    }
}

// 甲's answers, by hand (n suggestions; position p earns (n - p + 1) / n, a
// refinement or related word 0.5, the larger once per answer):
//   PC 甲 (4): 甲 1.0, 甲一 0.75, 甲二 0.5, 甲四 0.25 and its refinement 0.5 → 0.5;
//             甲五 refinement only 0.5 (no 商品数)
//   mobile 甲 (2): 甲一 1.0, 甲六 0.5
//   long tail 甲一 (3): 甲一七 1.0, 甲六 2/3, 甲二 1/3; long tail 甲六 (1): 甲六 1.0
//   related 甲: 甲八 0.5 (no 商品数), 甲一 0.5
// Sums: 甲一 2.25 (the largest), 甲六 13/6, 甲 1, 甲一七 1, 甲二 5/6, 甲四 甲五 甲八 0.5.
// 机会 = sum / log10(商品数 + 10) scaled to 100: 甲六 (商品数 9) is the largest.
TEST_F(DeepRunEngineTest, popularityAndOpportunity_equalTheHandComputedTable) {
    serve(R"({
      "甲": {"result": [["甲", "90"], ["甲一", "100"], ["甲二", "50"], ["甲四", "5"]],
             "magic": [{"index": "1", "data": [[{"title": "四"}, {"title": "五"}]]}]}
    })",
          R"({
      "甲": {"result": [["甲一", "120"], ["甲六", "8"]]},
      "甲一": {"result": [["甲一七", "3"], ["甲六", "9"], ["甲二", "40"]]},
      "甲六": {"result": [["甲六", "7"]]}
    })",
          R"({"甲": {"status": "show", "data": {"words": [{"text": "甲八"}, {"text": "甲一"}]}}})");
    auto store = openStore();
    DeepRunOptions o = options({"甲"});
    o.sources = sources(
        {DeepSource::Pc, DeepSource::Arrow, DeepSource::Mobile, DeepSource::LongTail, DeepSource::Related});
    const long long id = store->createRun(o).value();
    ASSERT_EQ(run(*store, id), RunOutcome::Done);
    const ValueScale scale = storedRunScale(*store, id).value();
    struct Figures {
        double sum, heat;
        std::optional<double> opportunity;
    };
    std::map<std::string, Figures> shown;
    ASSERT_TRUE(store
                    ->forEachResult(id,
                                    [&](const ResultRow &r) {
                                        EXPECT_TRUE(r.popularity) << r.word;
                                        const auto opportunity = rowOpportunity(scale, r);
                                        shown[r.word] = {r.popularity.value_or(-1),
                                                         oneDecimal(rowHeat(scale, r).value_or(-1)),
                                                         opportunity ? std::optional(oneDecimal(*opportunity))
                                                                     : std::nullopt};
                                        return true;
                                    })
                    .ok());
    const std::map<std::string, Figures> expected = {
        {"甲", {1.0, 44.4, 29.5}},     {"甲一", {2.25, 100.0, 62.8}},       {"甲二", {5.0 / 6, 37.0, 27.7}},
        {"甲四", {0.5, 22.2, 25.1}},   {"甲五", {0.5, 22.2, std::nullopt}}, {"甲六", {13.0 / 6, 96.3, 100.0}},
        {"甲一七", {1.0, 44.4, 53.0}}, {"甲八", {0.5, 22.2, std::nullopt}}};
    ASSERT_EQ(shown.size(), expected.size());
    for (const auto &[word, figures] : expected) {
        SCOPED_TRACE(word);
        ASSERT_TRUE(shown.count(word));
        EXPECT_NEAR(shown[word].sum, figures.sum, 1e-12);
        EXPECT_DOUBLE_EQ(shown[word].heat, figures.heat);
        EXPECT_EQ(shown[word].opportunity, figures.opportunity);
    }
}

TEST_F(DeepRunEngineTest, includeAndExclude_keepWords_andOnlyKeptWordsAreAskedNext) {
    serve(kPc, kMobile);
    auto store = openStore();
    DeepRunOptions o = options({"甲"});
    o.depth = 2;
    o.include = {"一"};
    o.exclude = {"乙"};
    const long long id = store->createRun(o).value();
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(rowsOf(*store, id),
              (std::vector<std::string>{"甲一|甲|pc|10|1|甲|1", "甲一X|甲|pc|1|2|甲一|1"}));
    EXPECT_EQ(asked("pc"), (std::vector<std::string>{"甲", "甲一"}));
}

TEST_F(DeepRunEngineTest, concurrency_answersArrivingOutOfOrder_giveTheSameRows) {
    // Earlier queries answer later; every answer names words of other queries.
    std::string pc = "{";
    for (int i = 0; i < 12; ++i) {
        const std::string q = "丁" + std::to_string(i);
        pc += (i ? "," : "") + std::string("\"") + q +
              "\": {\"@\": \"slow\", \"delay\": " + std::to_string(0.02 * (12 - i)) +
              ", \"answer\": {\"result\": [[\"丁" + std::to_string(i % 3) + "\", \"" + std::to_string(i) +
              "\"], [\"" + q + "词\", \"1\"]]}}";
    }
    pc += "}";
    serve(pc);
    std::vector<std::vector<std::string>> results;
    for (int concurrency : {1, 8}) {
        auto store = openStore("c" + std::to_string(concurrency) + ".sqlite");
        DeepRunOptions o = options({"丁"});
        o.expansions = expansionBit(Expansion::Digits);
        o.sources = sources({DeepSource::Pc});
        o.depth = 2;
        o.concurrency = concurrency;
        const long long id = store->createRun(o).value();
        EXPECT_EQ(run(*store, id), RunOutcome::Done);
        results.push_back(rowsOf(*store, id, rowWithSum));
    }
    ASSERT_EQ(results[0].size(), 13u);
    EXPECT_EQ(results[0].front(), "丁0|丁|pc|9|1|丁0|4|0x1p+2"); // first of two in four answers
    EXPECT_EQ(results[1], results[0]);
}

TEST_F(DeepRunEngineTest, transientFailures_areRetried_untilAnAnswerComes) {
    for (const char *failure : {R"({"@": "error"})", R"({"@": "drop"})"}) {
        SCOPED_TRACE(failure);
        serve(std::string(R"({"甲": {"@": "times", "n": 2, "first": )") + failure +
              R"(, "answer": {"result": [["甲一", "3"]]}}})");
        auto store = openStore(std::string("retry") + failure[7] + ".sqlite");
        DeepRunOptions o = options({"甲"});
        o.sources = sources({DeepSource::Pc});
        const long long id = store->createRun(o).value();
        EXPECT_EQ(run(*store, id), RunOutcome::Done);
        EXPECT_EQ(rowsOf(*store, id), std::vector<std::string>{"甲一|甲|pc|3|1|甲|1"});
        EXPECT_EQ(asked("pc"), (std::vector<std::string>{"甲", "甲", "甲"}));
    }
}

TEST_F(DeepRunEngineTest, aQueryThatKeepsFailing_givesNoWords_andTheRunGoesOn) {
    serve(R"({"甲": {"@": "error"}, "乙": {"@": "status", "code": 404}, "丙": {"result": [["丙一", "7"]]}})");
    auto store = openStore();
    DeepRunOptions o = options({"甲", "乙", "丙"});
    o.sources = sources({DeepSource::Pc});
    o.concurrency = 2;
    const long long id = store->createRun(o).value();
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(rowsOf(*store, id), std::vector<std::string>{"丙一|丙|pc|7|1|丙|1"});
    std::vector<QueryState> states;
    const std::vector<StoredQuery> queries = store->queries(id).value();
    for (const StoredQuery &q : queries)
        states.push_back(q.state);
    EXPECT_EQ(states, (std::vector<QueryState>{QueryState::Failed, QueryState::Failed, QueryState::Done}));
    // A server error is retried, a missing page is not.
    std::vector<std::string> qs = asked("pc");
    EXPECT_EQ(std::count(qs.begin(), qs.end(), "甲"), timing.maxAttempts);
    EXPECT_EQ(std::count(qs.begin(), qs.end(), "乙"), 1);
}

// 乙 is refused three times in a row. A fixed pace pauses twice and is blocked at
// the third refusal; an adaptive one slows down, pauses twice and goes on.
TEST_F(DeepRunEngineTest, refusedAnswers_askAgain_aFixedPaceIsBlockedAtTheThird_resumeFinishes) {
    const char *tail = R"(, "丙": {"result": [["丙一", "7"]]}, "乙": {"@": "times", "n": 3, "first": )";
    const char *answer = R"(, "answer": {"result": [["乙一", "2"]]}}})";
    const std::string reference = R"({"甲": {"result": [["甲一", "10"]]})";
    const std::vector<std::string> expected{"甲一|甲|pc|10|1|甲|1", "乙一|乙|pc|2|1|乙|1",
                                            "丙一|丙|pc|7|1|丙|1"};
    const std::vector<std::string> allAsked{"甲", "乙", "乙", "乙", "乙", "丙"};
    for (const Pacing pace : {Pacing::Fixed, Pacing::Adaptive}) {
        for (const char *refusal : {R"({"@": "status", "code": 403})", R"({"@": "status", "code": 429})",
                                    R"({"@": "login"})", R"({"@": "html"})"}) {
            SCOPED_TRACE(testing::Message() << refusal << (pace == Pacing::Fixed ? " fixed" : " adaptive"));
            serve(reference + tail + refusal + answer);
            auto store = openStore(std::string("blocked") + std::to_string(fixtureCount) + ".sqlite");
            DeepRunOptions o = options({"甲", "乙", "丙"});
            o.sources = sources({DeepSource::Pc});
            o.pace = pace;
            const long long id = store->createRun(o).value();
            if (pace == Pacing::Fixed) {
                EXPECT_EQ(run(*store, id), RunOutcome::Blocked);
                EXPECT_EQ(store->summary(id).value().state, RunState::Blocked);
                EXPECT_EQ(rowsOf(*store, id), std::vector<std::string>{expected[0]});
                EXPECT_EQ(asked("pc"), (std::vector<std::string>{"甲", "乙", "乙", "乙"}));
            }
            EXPECT_EQ(run(*store, id), RunOutcome::Done);
            EXPECT_EQ(rowsOf(*store, id), expected);
            // 甲 finished before the stop and is not asked again.
            EXPECT_EQ(asked("pc"), allAsked);
            EXPECT_EQ(store->summary(id).value().state, RunState::Done);
        }
    }
}

// Six requests in flight together are refused together: that is one refusal,
// which slows the pace, and the refused queries are asked again.
TEST_F(DeepRunEngineTest, refusalsOfOneBurst_countOnce_andTheRunGoesOn) {
    serve("{}", "{}", "{}", 2);
    DeepRunOptions o = options({"甲", "乙", "丙", "丁", "戊", "己"});
    o.sources = sources({DeepSource::Pc});
    o.concurrency = 6;
    o.minIntervalMs = 1;
    o.cacheHours = 0;
    const std::vector<std::string> expected = referenceRows(o);

    std::mutex mutex;
    std::condition_variable allIn;
    int burst = 0;
    fetcher = [&](const std::string &url) {
        {
            std::unique_lock lock(mutex);
            if (burst < 6) {
                ++burst;
                allIn.notify_all();
                allIn.wait_for(lock, std::chrono::seconds(10), [&] { return burst == 6; });
                return FetchResult{.status = 429};
            }
        }
        return httpGet(url);
    };
    auto store = openStore();
    const long long id = store->createRun(o).value();
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(burst, 6);
    EXPECT_EQ(lastSent, 12);
    EXPECT_EQ(rowsOf(*store, id), expected);
}

TEST_F(DeepRunEngineTest, stopAndResume_giveTheUninterruptedRows_askingNoQueryTwice) {
    serve("{}", "{}", "{}", 3);
    DeepRunOptions o = options({"甲", "乙"});
    o.expansions = expansionBit(Expansion::Digits);
    o.sources = sources({DeepSource::Pc});
    o.depth = 2;
    o.concurrency = 4;
    o.cacheHours = 0;
    const std::vector<std::string> expected = referenceRows(o, rowWithSum);
    ASSERT_EQ(expected.size(), 22u * 3 + 66u * 3);

    server->clearLog();
    auto store = openStore();
    const long long id = store->createRun(o).value();
    DeepRunEngine *engine = nullptr;
    onProgress = [&](const RunProgress &p) {
        if (p.queriesDone >= 30 && engine)
            engine->requestStop();
    };
    EXPECT_EQ(run(*store, id, &engine), RunOutcome::Stopped);
    const RunSummary stopped = store->summary(id).value();
    EXPECT_EQ(stopped.state, RunState::Stopped);
    EXPECT_LT(stopped.queriesDone, stopped.queriesPlanned);
    onProgress = {};
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(rowsOf(*store, id, rowWithSum), expected);
    std::vector<std::string> qs = asked("pc");
    std::sort(qs.begin(), qs.end());
    EXPECT_EQ(std::adjacent_find(qs.begin(), qs.end()), qs.end());
    EXPECT_EQ(qs.size(), 22u + 66u);
}

TEST_F(DeepRunEngineTest, networkDown_stopsAfterTenFailures_leavingThemToResume) {
    serve(kPc, kMobile);
    auto store = openStore();
    DeepRunOptions o = options({"丙"});
    o.expansions = expansionBit(Expansion::Digits) | expansionBit(Expansion::Letters);
    o.sources = sources({DeepSource::Pc});
    const long long id = store->createRun(o).value();
    const std::string down = "127.0.0.1:" + std::to_string(orbisel::test::unusedPort());
    {
        DeepRunEngine engine(*store, id, MarketplaceEndpoints{down, down});
        timing.maxAttempts = 2;
        engine.setTiming(timing);
        EXPECT_EQ(engine.run(), RunOutcome::NetworkDown);
        EXPECT_EQ(engine.requestsSent(), 20);
    }
    const RunSummary failed = store->summary(id).value();
    EXPECT_EQ(failed.state, RunState::Failed);
    EXPECT_EQ(failed.queriesDone, 0);
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(rowsOf(*store, id), (std::vector<std::string>{"丙一|丙|pc|7|1|丙|1", "丙零|丙|pc|3|1|丙0|1"}));
    EXPECT_EQ(store->summary(id).value().queriesDone, 37);
}

// A run of fewer queries than the failure streak is network down too when none was answered,
// not done with no words.
TEST_F(DeepRunEngineTest, networkDown_everyQueryOfAShortRunFailed_leavingThemToResume) {
    serve(kPc, kMobile);
    auto store = openStore();
    DeepRunOptions o = options({"丙", "甲"});
    o.sources = sources({DeepSource::Pc});
    const long long id = store->createRun(o).value();
    const std::string down = "127.0.0.1:" + std::to_string(orbisel::test::unusedPort());
    {
        DeepRunEngine engine(*store, id, MarketplaceEndpoints{down, down});
        timing.maxAttempts = 1;
        engine.setTiming(timing);
        EXPECT_EQ(engine.run(), RunOutcome::NetworkDown);
    }
    EXPECT_EQ(store->summary(id).value().state, RunState::Failed);
    EXPECT_EQ(store->summary(id).value().queriesDone, 0);
    EXPECT_EQ(run(*store, id), RunOutcome::Done);
    EXPECT_EQ(store->summary(id).value().queriesDone, 2);
}

TEST_F(DeepRunEngineTest, storedAnswers_youngerThanCacheHours_areReusedByANewRun) {
    serve(kPc, kMobile);
    auto store = openStore();
    DeepRunOptions o = options({"甲"});
    o.depth = 2;
    const long long first = store->createRun(o).value();
    ASSERT_EQ(run(*store, first), RunOutcome::Done);
    EXPECT_EQ(lastSent, 10);
    const long long second = store->createRun(o).value();
    ASSERT_EQ(run(*store, second), RunOutcome::Done);
    EXPECT_EQ(lastSent, 0);
    EXPECT_EQ(rowsOf(*store, second, rowWithSum), rowsOf(*store, first, rowWithSum));
    o.cacheHours = 0;
    const long long third = store->createRun(o).value();
    ASSERT_EQ(run(*store, third), RunOutcome::Done);
    EXPECT_EQ(lastSent, 10);
}

TEST_F(DeepRunEngineTest, secondWriterOfARun_isRefused) {
    serve(kPc, kMobile);
    auto store = openStore();
    auto other = openStore();
    const long long id = store->createRun(options({"甲"})).value();
    ASSERT_TRUE(other->acquireWriter(id).ok());
    DeepRunEngine engine(*store, id, server->endpoints());
    EXPECT_EQ(engine.run(), RunOutcome::Locked);
    ASSERT_TRUE(engine.storeError());
    EXPECT_EQ(engine.storeError()->kind, StoreErrorKind::Locked);
    EXPECT_TRUE(asked("pc").empty());
    other->releaseWriter();
    EXPECT_EQ(engine.run(), RunOutcome::Done);
}

// The store refuses, by a trigger, to take one state of the run: the run
// cannot be marked running, or its end cannot be stored.
TEST_F(DeepRunEngineTest, stateTheStoreRefuses_endsTheRunAsAStoreFailure) {
    for (const RunState refused : {RunState::Running, RunState::Done}) {
        SCOPED_TRACE(static_cast<int>(refused));
        serve(kPc, kMobile);
        const std::string name = "refuses" + std::to_string(static_cast<int>(refused)) + ".sqlite";
        auto store = openStore(name);
        const long long id = store->createRun(options({"甲"})).value();
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open((dir.path().toStdString() + "/" + name).c_str(), &db), SQLITE_OK);
        const std::string trigger = "CREATE TRIGGER refuse BEFORE UPDATE OF state ON runs WHEN NEW.state = " +
                                    std::to_string(static_cast<int>(refused)) +
                                    " BEGIN SELECT RAISE(ABORT, 'state refused'); END";
        EXPECT_EQ(sqlite3_exec(db, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);

        EXPECT_EQ(run(*store, id), RunOutcome::StoreFailed);
        DeepRunEngine engine(*store, id, server->endpoints());
        EXPECT_EQ(engine.run(), RunOutcome::StoreFailed);
        ASSERT_TRUE(engine.storeError());
        EXPECT_NE(engine.storeError()->detail.find("state refused"), std::string::npos);
        if (refused == RunState::Running) {
            EXPECT_EQ(lastSent, 0);
        }
    }
}

TEST_F(DeepRunEngineTest, resultCallbacks_addRowsInResultOrder_andReportChangedRows) {
    serve(kPc, kMobile);
    auto store = openStore();
    DeepRunOptions o = options({"甲"});
    o.depth = 2;
    const long long id = store->createRun(o).value();
    std::vector<ResultRow> live;
    DeepRunEngine engine(*store, id, server->endpoints());
    engine.setTiming(timing);
    RunProgress last;
    const RunOutcome outcome = engine.run([&](const RunProgress &p) { last = p; },
                                          [&](const ResultDelta &delta) {
                                              for (const auto &[index, row] : delta.changed) {
                                                  ASSERT_LT(index, live.size());
                                                  live[index] = row;
                                              }
                                              live.insert(live.end(), delta.added.begin(), delta.added.end());
                                          });
    EXPECT_EQ(outcome, RunOutcome::Done);
    std::vector<std::string> shown;
    for (const ResultRow &r : live)
        shown.push_back(rowWithSum(r));
    EXPECT_EQ(shown, rowsOf(*store, id, rowWithSum));
    EXPECT_EQ(last.queriesDone, 5);
    EXPECT_EQ(last.queriesPlanned, 5);
    EXPECT_EQ(last.words, 6);
}

} // namespace
