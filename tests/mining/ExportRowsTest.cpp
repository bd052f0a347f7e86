#include "mining/ExportRows.h"

#include "tests/mining/NaiveExport.h"
#include "web/Encoding.h"

#include <gtest/gtest.h>
#include <random>

using namespace orbisel;
using orbisel::test::naiveExportRows;
using orbisel::test::rowValues;
using orbisel::test::RowValues;

namespace {

Text G(const char *utf8) {
    return utf8ToGbk(utf8);
}

constexpr int kPc = static_cast<int>(SourceKind::PcSuggest);
constexpr int kArrow = static_cast<int>(SourceKind::PcArrow);
constexpr int kMobile = static_cast<int>(SourceKind::MobileSuggest);
constexpr int kRelated = static_cast<int>(SourceKind::Related);

struct RowsCase {
    const char *name;
    TextArray seedLog;
    HarvestArrays harvest;
    std::vector<RowValues> rows;
};

std::vector<RowsCase> rowsCases() {
    return {
        {"twoSeeds_rowsGroupedBySeed",
         {"A", "B"},
         {TextArray{"A|a1", "A|a2"}, {}, TextArray{"B|b1"}, {}, {}},
         {{"A", "a1", kPc}, {"A", "a2", kPc}, {"B", "b1", kMobile}}},
        {"withinSeed_kindsInExportOrderThenHarvestOrder",
         {"A"},
         {TextArray{"B|x", "A|p1", "A|p2"}, TextArray{"A|r0"}, {}, {}, TextArray{"A|rel"}},
         {{"A", "p1", kPc}, {"A", "p2", kPc}, {"A", "r0", kArrow}, {"A", "rel", kRelated}}},
        {"seedInsideLongerSeed_itemsExportedUnderBoth",
         {G("女装"), G("韩版女装")},
         {TextArray{G("女装|女装夏"), G("韩版女装|韩版女装裙")}, {}, {}, {}, {}},
         {{G("女装"), G("女装夏"), kPc},
          {G("女装"), G("韩版女装裙"), kPc},
          {G("韩版女装"), G("韩版女装裙"), kPc}}},
        {"seedWithComma_usesTextBeforeComma_noRows",
         {"a,b"},
         {TextArray{"a,b|w1"}, {}, TextArray{"a,b|w2"}, {}, {}},
         {}},
        {"emptySeed_exportsEveryItemAgain",
         {"A", "", "B"},
         {TextArray{"A|a1"}, {}, TextArray{"B|b1"}, {}, {}},
         {{"A", "a1", kPc}, {"", "a1", kPc}, {"", "b1", kMobile}, {"B", "b1", kMobile}}},
        {"wordWithBar_exportedFromLastBar",
         {"A"},
         {TextArray{"A|x|y", "A|z|"}, {}, {}, {}, {}},
         {{"A", "y", kPc}, {"A", "", kPc}}},
        {"repeatedSeed_rowsRepeated",
         {"A", "A"},
         {TextArray{"A|a1"}, {}, {}, {}, {}},
         {{"A", "a1", kPc}, {"A", "a1", kPc}}},
        // 0x81 0x42 and 0x81 0x7C are double-byte characters: their second byte
        // is neither the seed "B" nor a "|" separator.
        {"matchInsideDoubleByteCharacter_ignored",
         {"B", "A"},
         {TextArray{"A|\x81"
                    "B|c",
                    "A|w\x81|"},
          {},
          {},
          {},
          {}},
         {{"A", "c", kPc}, {"A", "w\x81|", kPc}}},
        {"noRun_noRows", {}, {TextArray{"A|a1"}, {}, {}, {}, {}}, {}},
    };
}

class ExportRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(ExportRowsTest, indexedAndNaivePassesGiveTheExpectedRows) {
    const RowsCase &c = GetParam();
    EXPECT_EQ(rowValues(exportRows(c.seedLog, c.harvest)), c.rows);
    EXPECT_EQ(rowValues(naiveExportRows(c.seedLog, c.harvest)), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportRowsTest, ::testing::ValuesIn(rowsCases()),
                         [](const auto &info) { return std::string(info.param.name); });

// Random seeds and items from pieces that stress the matching: bars, commas,
// double-byte characters whose second byte is "|" or a seed letter, a lone lead byte.
TEST(ExportRowsRandom, indexedPassMatchesNaiveAlgorithm) {
    const std::vector<Text> pieces = {"a",
                                      "b",
                                      "|",
                                      ",",
                                      "\x81|",
                                      "\x81"
                                      "b",
                                      G("女"),
                                      "ab",
                                      "\x81"};
    std::mt19937 rng(20240605);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    auto randomText = [&](size_t maxPieces) {
        Text t;
        for (size_t n = pick(maxPieces + 1); n > 0; --n)
            t += pieces[pick(pieces.size())];
        return t;
    };
    size_t totalRows = 0;
    for (int round = 0; round < 400; ++round) {
        TextArray seedLog;
        for (size_t n = pick(6); n > 0; --n)
            seedLog.push_back(pick(4) == 0 && !seedLog.empty() ? seedLog[pick(seedLog.size())]
                                                               : randomText(3));
        HarvestArrays harvest;
        for (TextArray &items : harvest)
            for (size_t n = pick(8); n > 0; --n) {
                const Text seed =
                    !seedLog.empty() && pick(3) > 0 ? seedLog[pick(seedLog.size())] : randomText(3);
                items.push_back(pick(5) == 0 ? randomText(6) : randomText(1) + seed + "|" + randomText(3));
            }
        const auto expected = rowValues(naiveExportRows(seedLog, harvest));
        ASSERT_EQ(rowValues(exportRows(seedLog, harvest)), expected) << "round " << round;
        totalRows += expected.size();
    }
    EXPECT_GT(totalRows, 1000u); // the data exercised matches, not only misses
}

} // namespace
