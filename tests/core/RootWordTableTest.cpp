#include "core/runs/RunRootWords.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

std::shared_ptr<const SegmentDictionary> shopDictionary() {
    auto loaded = SegmentDictionary::fromText("妈妈 100\n装 50\n夏装 80\n中老年 60\n连衣裙 90\n韩 5\n都 5\n"
                                              "衣 5\n舍 5\n大码 40\n");
    EXPECT_TRUE(loaded.dictionary) << loaded.error;
    return loaded.dictionary;
}

ResultRow row(std::string word, std::optional<long long> listings, std::optional<double> popularity) {
    ResultRow r;
    r.word = std::move(word);
    r.listings = listings;
    r.popularity = popularity;
    return r;
}

// One line a root word: 词根 词数 商品数合计 热度合计 (one decimal, "-" for none) and "seed".
std::vector<std::string> lines(const std::vector<RootWordEntry> &entries) {
    std::vector<std::string> out;
    for (const RootWordEntry &e : entries) {
        char heat[32] = "-";
        if (e.heat)
            std::snprintf(heat, sizeof heat, "%.1f", oneDecimal(*e.heat));
        out.push_back(e.word + " " + std::to_string(e.resultWords) + " " + std::to_string(e.listings) + " " +
                      heat + (e.inSeeds ? " seed" : ""));
    }
    return out;
}

using Lines = std::vector<std::string>;

class RootWordTableTest : public ::testing::Test {
protected:
    void addRows(RootWordTable &table) const {
        for (const ResultRow &r : rows)
            table.addRow(table.cut(r.word), r);
    }
    const std::vector<ResultRow> rows = {
        row("妈妈装夏装", 100, 2.0),       row("中老年妈妈装", 50, 1.0),
        row("妈妈夏装", 10, std::nullopt), row("韩都衣舍妈妈装", std::nullopt, 0.5),
        row("大码连衣裙", 7, 4.0),
    };
};

TEST_F(RootWordTableTest, userWordsAndSeedsStayWholeAndSeedPartsAreMarked) {
    RootWordTable table(RootWordSetup{shopDictionary(), {"韩都衣舍"}, {"妈妈装"}});
    addRows(table);
    // 热度 of the rows on the largest sum 4.0: 50, 25, none, 12.5, 100.
    EXPECT_EQ(lines(table.entries()),
              (Lines{"妈妈装 3 150 87.5 seed", "夏装 2 110 50.0", "中老年 1 50 25.0", "大码 1 7 100.0",
                     "妈妈 1 10 - seed", "连衣裙 1 7 100.0", "韩都衣舍 1 0 12.5"}));

    // Without them the seed falls apart into the two commonest root words.
    RootWordTable plain(RootWordSetup{shopDictionary(), {}, {}});
    addRows(plain);
    EXPECT_EQ(lines(plain.entries())[0], "妈妈 4 160 87.5");
    EXPECT_EQ(lines(plain.entries())[1], "装 3 150 87.5");
}

TEST_F(RootWordTableTest, heatFollowsTheRunsLargestSumAsRowsGrow) {
    RootWordTable table(RootWordSetup{shopDictionary(), {}, {"妈妈装"}});
    addRows(table);
    ResultRow grown = rows[2];
    grown.listings = 12;
    grown.popularity = 8.0; // the run's largest sum now: every 热度 halves
    table.updateRow(2, grown);
    EXPECT_EQ(lines(table.entries()), (Lines{"妈妈装 3 150 43.8 seed", "夏装 2 112 125.0", "中老年 1 50 12.5",
                                             "大码 1 7 50.0", "妈妈 1 12 100.0 seed", "舍 1 0 6.3",
                                             "衣 1 0 6.3", "连衣裙 1 7 50.0", "都 1 0 6.3", "韩 1 0 6.3"}));
}

TEST_F(RootWordTableTest, sortsByEachColumnWithNoneLastAndTiesByWord) {
    RootWordTable table(RootWordSetup{shopDictionary(), {"韩都衣舍"}, {"妈妈装"}});
    addRows(table);
    const struct {
        RootWordColumn column;
        bool descending;
        std::vector<std::string> words;
    } cases[] = {
        {RootWordColumn::Heat, true, {"大码", "连衣裙", "妈妈装", "夏装", "中老年", "韩都衣舍", "妈妈"}},
        {RootWordColumn::Heat, false, {"韩都衣舍", "中老年", "夏装", "妈妈装", "大码", "连衣裙", "妈妈"}},
        {RootWordColumn::Listings, true, {"妈妈装", "夏装", "中老年", "妈妈", "大码", "连衣裙", "韩都衣舍"}},
        {RootWordColumn::ResultWords,
         false,
         {"中老年", "大码", "妈妈", "连衣裙", "韩都衣舍", "夏装", "妈妈装"}},
        {RootWordColumn::Word, true, {"韩都衣舍", "连衣裙", "妈妈装", "妈妈", "大码", "夏装", "中老年"}},
        {RootWordColumn::InSeeds, true, {"妈妈", "妈妈装", "中老年", "夏装", "大码", "连衣裙", "韩都衣舍"}},
    };
    for (const auto &c : cases) {
        std::vector<RootWordEntry> entries = table.entries();
        sortRootWords(entries, c.column, c.descending);
        std::vector<std::string> words;
        for (const RootWordEntry &e : entries)
            words.push_back(e.word);
        EXPECT_EQ(words, c.words) << kRootWordColumns[static_cast<int>(c.column)].name
                                  << (c.descending ? " descending" : "");
    }
}

TEST_F(RootWordTableTest, fileHoldsHeatToOneDecimalAndTheSeedMark) {
    RootWordTable table(RootWordSetup{shopDictionary(), {}, {"妈妈装"}});
    addRows(table);
    QTemporaryDir dir;
    const std::string path = dir.filePath("roots.jsonl").toStdString();
    ASSERT_TRUE(writeRootWordTable(path, table.entries()).ok());
    std::ifstream in(path);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first,
              "{\"词根\":\"妈妈装\",\"词数\":3,\"商品数合计\":150,\"热度合计\":87.5,\"种子词\":\"是\"}");
    EXPECT_EQ(second, "{\"词根\":\"夏装\",\"词数\":2,\"商品数合计\":110,\"热度合计\":50,\"种子词\":null}");
}

} // namespace
} // namespace orbisel::core
