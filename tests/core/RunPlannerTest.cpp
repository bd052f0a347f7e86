#include "core/engine/RunPlanner.h"

#include "core/base/WordText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace orbisel::core {
namespace {

std::vector<std::string> textsOf(const std::vector<StoredQuery> &queries) {
    std::vector<std::string> texts;
    for (const StoredQuery &q : queries)
        texts.push_back(q.text);
    return texts;
}

// Rows found at `depth` by query `parent` of seed `seed`.
void found(RunRows &rows, const std::vector<std::string> &words, int depth, std::uint32_t parent,
           std::uint32_t seed = 0) {
    rows.answerStarts();
    for (const std::string &word : words)
        rows.add(word, comparisonKey(word), {DeepSource::Pc, std::nullopt, 1.0}, {seed, parent, depth});
}

TEST(RunPlannerTest, levelOne_asksEachSeedOnce_andDeeperLevelsTheWordsOfTheLevelAbove) {
    DeepRunOptions options;
    options.seeds = {"连衣裙", "Dress", "dress "};
    options.depth = 3;
    RunPlanner planner(options);
    RunRows rows;
    std::vector<StoredQuery> queries = planner.planLevel(1, {}, rows);
    EXPECT_EQ(textsOf(queries), (std::vector<std::string>{"连衣裙", "Dress"})); // "dress " is "Dress"
    EXPECT_EQ(queries[1].ordinal, 1);
    EXPECT_EQ(queries[1].seedIndex, 1);

    found(rows, {"连衣裙夏", "dress", "连衣裙女"}, 1, 0);
    found(rows, {"dress long"}, 1, 1, 1);
    const std::vector<StoredQuery> second = planner.planLevel(2, queries, rows);
    // "dress" was asked as a seed; the rest in row order, numbered after level 1.
    EXPECT_EQ(textsOf(second), (std::vector<std::string>{"连衣裙夏", "连衣裙女", "dress long"}));
    EXPECT_EQ(second[0].ordinal, 2);
    EXPECT_EQ(second[0].depth, 2);
    EXPECT_EQ(second[0].parent, "连衣裙");
    EXPECT_EQ(second[2].parent, "Dress");
    EXPECT_EQ(second[2].seedIndex, 1);
    EXPECT_FALSE(planner.moreToAsk(rows));
}

TEST(RunPlannerTest, maxQueries_cutsThePlan_andMoreToAskTellsWhatWasLeftOut) {
    DeepRunOptions options;
    options.seeds = {"a", "b", "c"};
    options.depth = 2;
    options.maxQueries = 2;
    RunPlanner planner(options);
    RunRows rows;
    const std::vector<StoredQuery> queries = planner.planLevel(1, {}, rows);
    EXPECT_EQ(textsOf(queries), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(planner.moreToAsk(rows)); // seed c

    options.maxQueries = 3;
    RunPlanner resumed(options);
    resumed.restore(queries);
    EXPECT_EQ(textsOf(resumed.planLevel(1, queries, rows)), (std::vector<std::string>{"c"}));
    found(rows, {"a1"}, 1, 0);
    EXPECT_TRUE(resumed.moreToAsk(rows)); // a1, below the depth limit and not asked
    found(rows, {"a2"}, 2, 0);
    options.depth = 1;
    RunPlanner shallow(options);
    shallow.restore({{0, 1, "a"}, {1, 1, "b"}, {2, 1, "c"}});
    EXPECT_FALSE(shallow.moreToAsk(rows)); // nothing deeper than depth 1 is asked
}

} // namespace
} // namespace orbisel::core
