#include "core/base/WordText.h"
#include "core/runs/RunDiff.h"
#include "core/tables/ComparisonTable.h"
#include "tests/support/FileContents.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

using test::readFile;
using test::zipMember;

ResultRow row(const char *word, std::optional<long long> listings, std::optional<double> popularity) {
    ResultRow r{word, "种", sourceBit(DeepSource::Pc), listings, 1, "种", 1};
    r.popularity = popularity;
    return r;
}

class StoredComparisonTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = RunStore::open(m_dir.path().toStdString() + "/mining.sqlite");
        ASSERT_TRUE(opened.ok());
        store = std::move(opened).value();
    }
    long long storeRun(const std::vector<ResultRow> &rows) {
        const long long id = store->createRun(DeepRunOptions{}).value();
        StoreCommit commit;
        for (std::size_t i = 0; i < rows.size(); ++i)
            commit.rows.emplace_back(i, rows[i]);
        commit.words = static_cast<long long>(rows.size());
        EXPECT_TRUE(store->commit(id, commit).ok());
        return id;
    }
    // Whether the store keeps the popularity sums of its rows.
    bool keepsPopularity(long long runId) {
        bool kept = false;
        EXPECT_TRUE(store
                        ->forEachResult(runId,
                                        [&](const ResultRow &r) {
                                            kept = kept || r.popularity.has_value();
                                            return true;
                                        })
                        .ok());
        return kept;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RunStore> store;
};

TEST_F(StoredComparisonTest, twoStoredRuns_matchedWordByWordWithEachRunsHeat) {
    const long long older = storeRun({row("连衣裙", 100, 2.0), row("Dress ", 10, 1.0), row("旧词", 5, 0.5)});
    const long long newer =
        storeRun({row("dress", 20, 4.0), row("新词", std::nullopt, 1.0), row("连衣裙", 150, 2.0)});
    const auto compared = compareStoredRuns(*store, older, newer);
    ASSERT_TRUE(compared.ok());
    const RunComparison &c = compared.value();

    // 热度 on each run's own scale: the older run's largest sum is 2.0, the newer's 4.0.
    const bool heat = keepsPopularity(newer);
    auto h = [heat](double value) { return heat ? std::optional<double>(value) : std::nullopt; };
    struct Expected {
        const char *word;
        ComparisonState state;
        std::optional<long long> oldListings, newListings;
        std::optional<double> oldHeat, newHeat;
    };
    const Expected expected[] = {
        {"新词", ComparisonState::Added, std::nullopt, std::nullopt, std::nullopt, h(25.0)},
        {"dress", ComparisonState::Kept, 10, 20, h(50.0), h(100.0)},
        {"连衣裙", ComparisonState::Kept, 100, 150, h(100.0), h(50.0)},
        {"旧词", ComparisonState::Gone, 5, std::nullopt, h(25.0), std::nullopt},
    };
    ASSERT_EQ(c.words.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].word);
        const ComparedWord &w = c.words[i];
        EXPECT_EQ(w.word, expected[i].word);
        EXPECT_EQ(w.state, expected[i].state);
        EXPECT_EQ(w.oldListings, expected[i].oldListings);
        EXPECT_EQ(w.newListings, expected[i].newListings);
        EXPECT_EQ(w.oldHeat, expected[i].oldHeat);
        EXPECT_EQ(w.newHeat, expected[i].newHeat);
    }
    EXPECT_EQ(c.largestRises, heat ? std::vector<std::size_t>{1} : std::vector<std::size_t>{});
}

TEST_F(StoredComparisonTest, sameOrMissingRun_isAnErrorNamingTheRun) {
    const long long run = storeRun({row("连衣裙", 1, std::nullopt)});
    struct Case {
        long long older, newer;
        ComparisonErrorKind kind;
        long long named;
    };
    const Case cases[] = {
        {run, run, ComparisonErrorKind::SameRun, run},
        {run, 9, ComparisonErrorKind::Store, 9},
        {9, run, ComparisonErrorKind::Store, 9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.older) + " " + std::to_string(c.newer));
        const auto compared = compareStoredRuns(*store, c.older, c.newer);
        ASSERT_FALSE(compared.ok());
        EXPECT_EQ(compared.error().kind, c.kind);
        EXPECT_EQ(compared.error().runId, c.named);
        if (c.kind == ComparisonErrorKind::Store) {
            EXPECT_EQ(compared.error().store.kind, StoreErrorKind::UnknownRun);
        }
    }
}

// 甲 rose, 乙 fell, 丙 is new without a count, 丁 is gone, 戊 kept without a count in the older run.
std::shared_ptr<const RunComparison> sampleComparison() {
    const std::vector<ComparedSide> older = {
        {"甲", 100, 10.0}, {"乙", 40, 80.0}, {"丁", 7, 5.0}, {"戊", std::nullopt, 33.33}};
    const std::vector<ComparedSide> newer = {
        {"甲", 150, 60.06}, {"乙", 10, 50.0}, {"丙", std::nullopt, 90.0}, {"戊", 3, std::nullopt}};
    return std::make_shared<const RunComparison>(compareRuns(older, newer));
}

TEST(ComparisonFileTest, everyColumnInEveryFormat) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/diff.";
    const RunComparison comparison = *sampleComparison();
    for (const char *format : {"csv", "jsonl", "xlsx"})
        ASSERT_TRUE(writeComparison(base + format, comparison).ok()) << format;
    EXPECT_EQ(readFile(base + "csv"),
              "\xEF\xBB\xBF关键词,状态,前商品数,后商品数,商品数变化,变化率,前热度,后热度,热度变化\r\n"
              "丙,新增,,,,,,90,\r\n"
              "甲,保留,100,150,50,50,10,60.1,50.1\r\n"
              "乙,保留,40,10,-30,-75,80,50,-30\r\n"
              "戊,保留,,3,,,33.3,,\r\n"
              "丁,消失,7,,,,5,,\r\n");
    const std::string jsonl = readFile(base + "jsonl");
    EXPECT_EQ(jsonl.substr(0, jsonl.find('\n')),
              "{\"关键词\":\"丙\",\"状态\":\"新增\",\"前商品数\":null,\"后商品数\":null,\"商品数变化\":null,"
              "\"变化率\":null,\"前热度\":null,\"后热度\":90,\"热度变化\":null}");
    const std::string sheet = zipMember(base + "xlsx", "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<c r=\"B3\" t=\"inlineStr\"><is><t>保留</t>"), std::string::npos) << sheet;
    for (const char *number : {"<c r=\"C3\"><v>100</v>", "<c r=\"F4\"><v>-75</v>", "<c r=\"H3\"><v>60.1</v>"})
        EXPECT_NE(sheet.find(number), std::string::npos) << number;
}

// Words that are their own comparison key are matched without folding a copy.
TEST(ComparisonKeyTest, aWordIsItsOwnKeyExactlyWhenFoldingLeavesItAsItIs) {
    for (const char *text :
         {"连衣裙", "dress shirt", "Dress", " dress", "dress ", "a\tb", "a\rb", "连衣裙\xE3\x80\x80",
          "连\xE3\x80\x80衣", "\xE3\x80\x80连衣裙", "iphone15", "T恤", "", " "}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(isOwnComparisonKey(text), comparisonKey(text) == text);
    }
}

std::vector<std::string> shownWords(const ComparisonTable &table) {
    std::vector<std::string> words;
    for (std::uint32_t row : table.view())
        words.push_back(table.storedRow(row).word);
    return words;
}

TEST(ComparisonTableTest, sortsByEveryKindOfColumnEmptyLastAndFilters) {
    ComparisonTable table;
    table.setView(table.setComparison(sampleComparison()));
    using Words = std::vector<std::string>;
    EXPECT_EQ(shownWords(table), (Words{"丙", "甲", "乙", "戊", "丁"}));
    struct Case {
        int column;
        bool descending;
        Words shown;
    };
    const Case cases[] = {
        {CompareNewListings, false, {"戊", "乙", "甲", "丙", "丁"}},
        {CompareNewListings, true, {"甲", "乙", "戊", "丙", "丁"}},
        {CompareListingsPercent, false, {"乙", "甲", "丙", "戊", "丁"}},
        {CompareHeatChange, true, {"甲", "乙", "丙", "戊", "丁"}},
        {CompareOldHeat, false, {"丁", "甲", "戊", "乙", "丙"}},
        {CompareState, true, {"丁", "甲", "乙", "戊", "丙"}},
        {CompareWord, false, {"丁", "丙", "乙", "戊", "甲"}},
        {CompareWord, true, {"甲", "戊", "乙", "丙", "丁"}},
        {ComparisonTable::kComparisonOrder, false, {"丙", "甲", "乙", "戊", "丁"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + (c.descending ? " descending" : ""));
        table.setView(table.sort(c.column, c.descending));
        EXPECT_EQ(shownWords(table), c.shown);
    }

    auto mixed = std::make_shared<const RunComparison>(
        compareRuns({{"Dress", 1, 1.0}}, {{"dress shirt", 1, 1.0}, {"连衣裙", 1, 2.0}, {"DRESS", 2, 3.0}}));
    table.setView(table.setComparison(mixed));
    ASSERT_TRUE(table.setTextFilter("DrEsS").has_value());
    EXPECT_FALSE(table.setTextFilter("dress").has_value()); // the filter already set
    table.setView(*table.setTextFilter("DrEsS "));
    EXPECT_EQ(shownWords(table), (Words{"dress shirt"}));
    table.setView(*table.setTextFilter("dress"));
    table.setView(table.sort(CompareNewListings, true)); // the filter stays through a sort
    EXPECT_EQ(shownWords(table), (Words{"DRESS", "dress shirt"}));
}

} // namespace
} // namespace orbisel::core
