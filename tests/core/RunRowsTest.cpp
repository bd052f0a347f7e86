#include "core/engine/RunRows.h"

#include "core/base/WordText.h"

#include <gtest/gtest.h>
#include <string>

namespace orbisel::core {
namespace {

RunRows::Added addWord(RunRows &rows, std::string_view word, DeepSource source = DeepSource::Pc,
                       std::optional<long long> listings = std::nullopt, double earning = 1.0) {
    return rows.add(word, comparisonKey(word), {source, listings, earning}, {0, 0, 1});
}

TEST(RunRowsTest, add_findsAWordByItsComparisonKey_keepingTheFirstSpellingTrimmed) {
    RunRows rows;
    rows.answerStarts();
    const RunRows::Added first = addWord(rows, " Dress\xE3\x80\x80", DeepSource::Pc, 10);
    EXPECT_TRUE(first.isNew);
    rows.answerStarts();
    const RunRows::Added again = addWord(rows, "dress", DeepSource::Mobile, 30);
    EXPECT_FALSE(again.isNew);
    EXPECT_EQ(again.index, first.index);
    const RunRow &row = rows[first.index];
    EXPECT_EQ(row.word, "Dress");
    EXPECT_EQ(row.sources, sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Mobile));
    EXPECT_EQ(row.listings, 30);
    EXPECT_EQ(row.occurrences, 2u);
    EXPECT_EQ(addWord(rows, "dresses").index, 1u);
}

TEST(RunRowsTest, occurrences_countOncePerAnswerOrOncePerQueryAndSource) {
    struct Case {
        OccurrenceRule rule;
        std::uint32_t occurrences;
        double popularity; // the best earning of each answer, added up
    };
    for (const Case &c :
         {Case{OccurrenceRule::PerAnswer, 3, 1.5}, Case{OccurrenceRule::PerQueryAndSource, 2, 1.5}}) {
        RunRows rows;
        rows.setRule(c.rule);
        // One source, two answers holding the word twice and once; then another source.
        rows.sourceStarts();
        rows.answerStarts();
        addWord(rows, "裙", DeepSource::Pc, std::nullopt, 0.5);
        addWord(rows, "裙", DeepSource::Pc, std::nullopt, 0.25);
        rows.answerStarts();
        addWord(rows, "裙", DeepSource::Pc, std::nullopt, 0.5);
        rows.sourceStarts();
        rows.answerStarts();
        addWord(rows, "裙", DeepSource::Mobile, std::nullopt, 0.5);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].occurrences, c.occurrences) << static_cast<int>(c.rule);
        EXPECT_DOUBLE_EQ(rows[0].popularity.sum(), c.popularity);
    }
}

TEST(RunRowsTest, manyWordsAndRestoredRows_areEachFoundAgain) {
    RunRows rows;
    RunRow stored;
    stored.word = "Stored";
    stored.occurrences = 4;
    rows.restore(stored);
    rows.answerStarts();
    for (int i = 0; i < 5000; ++i) // far beyond the first table of slots
        ASSERT_TRUE(addWord(rows, "词" + std::to_string(i)).isNew) << i;
    for (int i = 0; i < 5000; i += 7)
        EXPECT_EQ(addWord(rows, "词" + std::to_string(i)).index, static_cast<std::size_t>(i) + 1);
    rows.answerStarts();
    const RunRows::Added found = addWord(rows, "STORED");
    EXPECT_FALSE(found.isNew);
    EXPECT_EQ(found.index, 0u);
    EXPECT_EQ(rows[0].occurrences, 5u);
    rows.clear();
    EXPECT_TRUE(addWord(rows, "stored").isNew);
}

} // namespace
} // namespace orbisel::core
