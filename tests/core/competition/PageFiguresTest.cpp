#include "core/competition/PageFigures.h"
#include "tests/core/competition/CompetitionPages.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orbisel::core;
using orbisel::test::readFixturePage;

namespace {

using Cells = std::vector<std::string>;

struct PageCase {
    std::string fixture;
    std::string keyword;
    Cells cells;        // 蓝海指数 as scaled among the three pages
    double blueOceanRaw; // NaN: empty
};

// Hand-computed from the fixtures. results-page.html, organic items in page order (the
// advertisements 102 (p4p 1), 901 (click host URL) and 102 (p4p true) and the repeat of 101
// left out), 月销 from allOldBiz30Day when the nid is in allNids, else view_sales:
//   101  39.90  allOldBiz30Day 7500 (view_sales says 7261)  shop 11  天猫
//   102 200.00  "1.2万+人付款" 12000                         shop 12  天猫 ("true")
//   103  15.01  allOldBiz30Day "3100"                       shop 11
//   104   8.85  allOldBiz30Day 123                          shop 13  天猫 (1)
//   105  59.00  "1000+人收货" 1000 ("105x" is another nid)    shop 14
//   106  25.50  allOldBiz30Day null, "月销 500" 500          shop 12
//   107  12.00  "已售 2000+" 2000                            shop 15
//   108  no price, "" none (0)                             shop 16
const std::vector<PageCase> &pageCases() {
    static const std::vector<PageCase> cases = {
        {"results-page.html", "黑芝麻糊",
         {"黑芝麻糊",
          "1523000", // totalCount before totalHits 1522999
          "8",
          "2",       // distinct nid 102 and 901
          // sorted cents 885 1200 1501 2550 3990 5900 20000, n = 7, positions 6p:
          "13.51",   // 1.5: 1200 + 0.5 * 301 = 1350.5, half up
          "25.50",   // 3
          "49.45",   // 4.5: 3990 + 0.5 * 1910 = 4945
          "37.5",    // 3 of 8
          "26223",   // 7500 + 12000 + 3100 + 123 + 1000 + 500 + 2000 + 0
          // 299250 + 2400000 + 46531 + 1088.55 + 59000 + 12750 + 24000 = 2842619.55
          "2842620",
          "6",       // shops 11 12 13 14 15 16
          // shop 12: 12500, shop 11: 10600, shop 15: 2000; 25100 / 26223 = 95.717 %
          "95.7",
          "5",       // 品牌 entries
          "100.0"},
         26223 / std::log10(1523000.0 + 10)}, // 4241.349
        {"no-results.html", "黑芝麻糊xyz",
         {"黑芝麻糊xyz", "0", "0", "0", "", "", "", "", "0", "0", "0", "", "", "0.0"},
         0.0}, // 0 / log10(0 + 10)
        // odd-types.html: organic 201 (9.90, allOldBiz30Day 30, no shop) and 202 (1299.50,
        // allOldBiz30Day "abc" so "1,234人付款" 1234, shop 7, 天猫); 203 and 204 advertised.
        {"odd-types.html", "w",
         {"w",
          "4321", // totalHits, the pager holding no count
          "2", "2",
          "332.30",  // 990 + 0.25 * (129950 - 990) = 990 + 32240
          "654.70",  // 990 + 0.5 * 128960
          "977.10",  // 990 + 0.75 * 128960
          "50.0",
          "1264",    // 30 + 1234
          "1603880", // 9.90 * 30 + 1299.50 * 1234 = 297 + 1603583
          "1",
          "97.6",    // 1234 / 1264
          "1",
          "8.2"},    // 347.579 / 4241.349 * 100 = 8.19
         1264 / std::log10(4321.0 + 10)}, // 347.579
    };
    return cases;
}

TEST(WordFigures, EveryFigureOfThePagesAgainstHandComputedValues) {
    std::vector<WordFigures> figures;
    std::vector<std::optional<double>> raw;
    for (const PageCase &c : pageCases()) {
        figures.push_back(wordFigures(c.keyword, readFixturePage(c.fixture)));
        raw.push_back(figures.back().blueOceanRaw);
    }
    const std::vector<std::optional<double>> scaled = scaleBlueOcean(raw);
    ASSERT_EQ(scaled.size(), pageCases().size());
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const PageCase &c = pageCases()[i];
        SCOPED_TRACE(c.fixture);
        ASSERT_TRUE(raw[i].has_value());
        EXPECT_NEAR(*raw[i], c.blueOceanRaw, 1e-9);
        EXPECT_EQ(wordFigureCells(figures[i], scaled[i]), c.cells);
    }
    EXPECT_EQ(wordFigureHeaders().size(), pageCases()[0].cells.size());
}

TEST(WordFigures, WithoutAListingCountThereIsNoBlueOceanIndex) {
    SearchPage page;
    page.items.push_back({.nid = "1", .priceCents = 100, .salesText = "5人付款"});
    const WordFigures f = wordFigures("w", page);
    EXPECT_EQ(f.listings, std::nullopt);
    EXPECT_EQ(f.monthlySales, 5);
    EXPECT_EQ(f.blueOceanRaw, std::nullopt);
    EXPECT_EQ(f.brands, std::nullopt);
    EXPECT_EQ(scaleBlueOcean({f.blueOceanRaw, 12.5}), (std::vector<std::optional<double>>{std::nullopt, 100.0}));
}

TEST(WordFigures, ItemsWithoutAnIdAreNeverTakenForRepeats) {
    SearchPage page;
    page.items = {{.nid = "", .salesText = "3人付款"}, {.nid = "", .salesText = "4人付款"},
                  {.nid = "", .p4p = true},           {.nid = "", .detailUrl = "//click.simba.taobao.com/x"}};
    const WordFigures f = wordFigures("w", page);
    EXPECT_EQ(f.organicItems, 2);
    EXPECT_EQ(f.advertisedItems, 2);
    EXPECT_EQ(f.monthlySales, 7);
    EXPECT_EQ(f.shops, 0);
    EXPECT_EQ(f.topThreeShopShare, 0.0); // no item names its shop
}

TEST(WordFigures, ListingsAreTheOrganicItemsInPageOrder) {
    const std::vector<ListingRow> rows = listingRows("黑芝麻糊", readFixturePage("results-page.html"));
    std::vector<Cells> cells;
    for (const ListingRow &row : rows)
        cells.push_back(listingCells(row));
    const std::vector<Cells> expected = {
        {"黑芝麻糊", "1", "南方黑芝麻糊 {买2送1} \"无糖\" 早餐\\冲饮", "39.90", "7500", "7261人付款",
         "南方黑芝麻官方旗舰店", "是", "广西 南宁", "101"},
        {"黑芝麻糊", "2", "智力 黑芝麻糊 600g 罐装", "200.00", "12000", "1.2万+人付款", "智力食品旗舰店", "是",
         "江苏 苏州", "102"},
        {"黑芝麻糊", "3", "黑芝麻糊 即食 学生 小袋装", "15.01", "3100", "3千+人付款", "南方黑芝麻官方旗舰店", "否",
         "广西 南宁", "103"},
        {"黑芝麻糊", "4", "老式 黑芝麻糊 手工 现磨", "8.85", "123", "100+人付款", "山里人家", "是", "江西 赣州",
         "104"},
        {"黑芝麻糊", "5", "NANFANG 黑芝麻糊 礼盒", "59.00", "1000", "1000+人收货", "糊涂小店", "否", "广西 玉林",
         "105"},
        {"黑芝麻糊", "6", "黑芝麻核桃粉 代餐", "25.50", "500", "月销 500", "智力食品旗舰店", "否", "江苏 苏州",
         "106"},
        {"黑芝麻糊", "7", "黑芝麻糊 无蔗糖 中老年", "12.00", "2000", "已售 2000+", "健康铺子", "否", "浙江 杭州",
         "107"},
        {"黑芝麻糊", "8", "黑芝麻丸 九蒸九晒", "", "", "", "新开小铺", "否", "", "108"},
    };
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(listingHeaders().size(), expected[0].size());
    EXPECT_TRUE(listingRows("w", readFixturePage("no-results.html")).empty());
}

TEST(WordFigures, PercentilesAreLinearBetweenRanks) {
    struct Case {
        std::vector<long long> sorted;
        std::optional<long long> p25, p50, p75;
    };
    const Case cases[] = {
        {{}, std::nullopt, std::nullopt, std::nullopt},
        {{500}, 500, 500, 500},
        {{100, 200}, 125, 150, 175},                // positions 0.25, 0.5, 0.75
        {{1, 2}, 1, 2, 2},                          // 1.25, 1.5 and 1.75 cents, half up
        {{100, 200, 300, 400, 500}, 200, 300, 400}, // positions 1, 2, 3
        {{100, 100, 100, 1000}, 100, 100, 325},     // 2.25: 100 + 0.25 * 900
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.sorted));
        EXPECT_EQ(percentileCents(c.sorted, 1), c.p25);
        EXPECT_EQ(percentileCents(c.sorted, 2), c.p50);
        EXPECT_EQ(percentileCents(c.sorted, 3), c.p75);
    }
}

TEST(WordFigures, BlueOceanScaleMakesTheLargest100) {
    const std::vector<std::optional<double>> none;
    EXPECT_EQ(scaleBlueOcean(none), none);
    EXPECT_EQ(scaleBlueOcean({0.0, 0.0, std::nullopt}),
              (std::vector<std::optional<double>>{0.0, 0.0, std::nullopt}));
    // 3 / 8 = 37.5 %, 1 / 3 = 33.3 %
    EXPECT_EQ(scaleBlueOcean({3.0, 8.0, 8.0 / 3}), (std::vector<std::optional<double>>{37.5, 100.0, 33.3}));
}

TEST(WordFigures, AdvertisementsByTheClickHost) {
    const std::pair<std::string_view, bool> cases[] = {
        {"//click.simba.taobao.com/cc_im?p=1", true},
        {"https://click.simba.taobao.com/cc_im", true},
        {"HTTP://Click.Simba.Taobao.com", true},
        {"//click.simba.taobao.com:443/x", true},
        {"//detail.tmall.com/item.htm?id=1&u=//click.simba.taobao.com", false},
        {"//click.simba.taobao.com.example.com/x", false},
        {"//x.click.simba.taobao.com/x", false},
        {"click.simba.taobao.com/x", false},
        {"", false},
    };
    for (const auto &[url, advertised] : cases) {
        SCOPED_TRACE(url);
        EXPECT_EQ(isAdvertisingUrl(url), advertised);
    }
}

TEST(WordFigures, CellTexts) {
    EXPECT_EQ(centsText(0), "0.00");
    EXPECT_EQ(centsText(5), "0.05");
    EXPECT_EQ(centsText(123456789), "1234567.89");
    EXPECT_EQ(oneDecimalText(6.25), "6.3");
    EXPECT_EQ(oneDecimalText(0.0), "0.0");
}

} // namespace
