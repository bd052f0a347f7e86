#include "core/base/WordValue.h"

#include "core/insight/RunComparison.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace orbisel::core {
namespace {

// One query's answers, by hand: a PC answer of four suggestions with the
// refinements B and E, a mobile answer of two, and two long-tail answers.
//   A: PC 1st of 4 (1.0) + mobile 1st of 2 (1.0) + long tail 2nd of 2 (0.5) = 2.5
//   B: PC 2nd of 4 (0.75) and a refinement in the same answer (0.5)         = 0.75
//   C: PC 3rd of 4 = 0.5; D: PC 4th of 4 = 0.25; E: refinement only = 0.5
//   F: mobile 2nd of 2 = 0.5; G: 1st in both long-tail answers = 2.0
TEST(WordValueTest, popularityAndOpportunity_equalTheHandComputedTable) {
    std::map<std::string, PopularityTally> tally;
    std::uint32_t answer = 0;
    auto suggestions = [&](const std::vector<std::string> &words) {
        for (std::size_t i = 0; i < words.size(); ++i)
            tally[words[i]].earn(answer, suggestionEarning(i + 1, words.size()));
    };
    ++answer; // PC answer with its refinements
    suggestions({"A", "B", "C", "D"});
    for (const char *refinement : {"B", "E"})
        tally[refinement].earn(answer, kRefinementEarning);
    ++answer;
    suggestions({"A", "F"});
    ++answer;
    suggestions({"G", "A"});
    ++answer;
    suggestions({"G"});

    const std::map<std::string, std::optional<long long>> listings = {
        {"A", 1000}, {"B", std::nullopt}, {"C", 90}, {"D", 0}, {"E", 5}, {"F", std::nullopt}, {"G", 0}};
    ValueScale scale;
    for (const auto &[word, count] : listings)
        scale.add(tally[word].sum(), count);

    struct Expected {
        const char *word;
        double sum, heat;
        std::optional<double> opportunity;
    };
    // 机会 ratios sum / log10(商品数 + 10): A 2.5/3.0043, C 0.5/2, D 0.25/1, E 0.5/1.1761,
    // G 2.0/1 (the largest).
    const Expected expected[] = {{"A", 2.5, 100.0, 41.6}, {"B", 0.75, 30.0, std::nullopt},
                                 {"C", 0.5, 20.0, 12.5},  {"D", 0.25, 10.0, 12.5},
                                 {"E", 0.5, 20.0, 21.3},  {"F", 0.5, 20.0, std::nullopt},
                                 {"G", 2.0, 80.0, 100.0}};
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.word);
        const double sum = tally[e.word].sum();
        EXPECT_DOUBLE_EQ(sum, e.sum);
        EXPECT_DOUBLE_EQ(oneDecimal(scale.heat(sum)), e.heat);
        const auto opportunity = scale.opportunity(sum, listings.at(e.word));
        ASSERT_EQ(opportunity.has_value(), e.opportunity.has_value());
        if (opportunity) {
            EXPECT_DOUBLE_EQ(oneDecimal(*opportunity), *e.opportunity);
        }
    }
}

TEST(WordValueTest, tally_continuesFromAStoredSum) {
    PopularityTally resumed(1.5);
    resumed.earn(0, 0.25); // a new answer, even with the id a fresh tally starts from
    resumed.earn(0, 0.5);
    resumed.earn(1, 0.1);
    EXPECT_DOUBLE_EQ(resumed.sum(), 2.1);
}

TEST(WordValueTest, suggestionEarning_outsideTheAnswerEarnsNothing) {
    EXPECT_DOUBLE_EQ(suggestionEarning(1, 10), 1.0);
    EXPECT_DOUBLE_EQ(suggestionEarning(10, 10), 0.1);
    EXPECT_DOUBLE_EQ(suggestionEarning(0, 10), 0.0);
    EXPECT_DOUBLE_EQ(suggestionEarning(11, 10), 0.0);
    EXPECT_DOUBLE_EQ(suggestionEarning(1, 0), 0.0);
    ValueScale empty;
    EXPECT_DOUBLE_EQ(empty.heat(0), 0.0);
}

TEST(RunComparisonTest, statesOrderChangesAndRises) {
    const std::vector<ComparedSide> older = {
        {"连衣裙", 100, 50}, {"Dress ", 10, 20}, {"旧词", 5, 10}, {"零", 0, 1}, {"连衣裙", 7, 99}};
    const std::vector<ComparedSide> newer = {
        {"dress", 20, 30}, {"连衣裙", 150, 60}, {"新词", std::nullopt, 40}, {"新词2", 1, 5}, {"零", 3, 1}};
    const RunComparison c = compareRuns(older, newer);

    struct Row {
        const char *word;
        ComparisonState state;
        std::optional<long long> change;
        std::optional<double> percent, heatChange;
    };
    const Row rows[] = {
        {"新词", ComparisonState::Added, std::nullopt, std::nullopt, std::nullopt},
        {"新词2", ComparisonState::Added, std::nullopt, std::nullopt, std::nullopt},
        {"连衣裙", ComparisonState::Kept, 50, 50.0, 10.0},
        {"dress", ComparisonState::Kept, 10, 100.0, 10.0},
        {"零", ComparisonState::Kept, 3, std::nullopt, 0.0},
        {"旧词", ComparisonState::Gone, std::nullopt, std::nullopt, std::nullopt},
    };
    ASSERT_EQ(c.words.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].word);
        const ComparedWord &w = c.words[i];
        EXPECT_EQ(w.word, rows[i].word);
        EXPECT_EQ(w.state, rows[i].state);
        EXPECT_EQ(w.listingsChange(), rows[i].change);
        EXPECT_EQ(w.listingsChangePercent(), rows[i].percent);
        EXPECT_EQ(w.heatChange(), rows[i].heatChange);
    }
    EXPECT_EQ(c.words[2].oldListings, 100); // the first of a repeated word counts
    EXPECT_EQ(c.added, 2u);
    EXPECT_EQ(c.kept, 3u);
    EXPECT_EQ(c.gone, 1u);
    EXPECT_EQ(c.largestRises, (std::vector<std::size_t>{2, 3}));
}

TEST(RunComparisonTest, largestRises_keepsTheTenLargest) {
    std::vector<ComparedSide> older, newer;
    for (int i = 0; i < 15; ++i) {
        const std::string word = "词" + std::to_string(i);
        older.push_back({word, 1, 10});
        newer.push_back({word, 1, 10.0 + i});
    }
    const RunComparison c = compareRuns(older, newer);
    ASSERT_EQ(c.largestRises.size(), kLargestRisesShown);
    EXPECT_EQ(c.words[c.largestRises.front()].word, "词14");
    EXPECT_EQ(c.words[c.largestRises.back()].word, "词5");
}

} // namespace
} // namespace orbisel::core
