#include "core/competition/SearchPage.h"
#include "tests/core/competition/CompetitionPages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace orbisel::core;
using orbisel::test::competitionFixture;
using orbisel::test::readFixturePage;

namespace {

// The fields that tell the results page's items apart, in page order.
struct ItemKey {
    std::string nid;
    bool p4p;
    std::optional<long long> priceCents;
    bool tmall;
    std::string shopId;
    std::string salesText;
    bool operator==(const ItemKey &) const = default;
};

void PrintTo(const ItemKey &k, std::ostream *out) {
    *out << k.nid << (k.p4p ? " p4p" : "") << " " << (k.priceCents ? std::to_string(*k.priceCents) : "-")
         << (k.tmall ? " tmall" : "") << " shop " << k.shopId << " '" << k.salesText << "'";
}

TEST(SearchPageReader, ReadsTheItemsTraceCountsAndBrandsOfAResultsPage) {
    const SearchPage page = readFixturePage("results-page.html");
    std::vector<ItemKey> keys;
    for (const PageItem &item : page.items)
        keys.push_back({item.nid, item.p4p, item.priceCents, item.tmall, item.shopId, item.salesText});
    const std::vector<ItemKey> expected = {
        {"102", true, 19900, true, "12", "1.2万+人付款"},
        {"101", false, 3990, true, "11", "7261人付款"},
        {"102", false, 20000, true, "12", "1.2万+人付款"}, // "200-600", isTmall "true"
        {"103", false, 1501, false, "11", "3千+人付款"},   // price as a JSON number
        {"901", false, 4500, true, "19", "2000+人付款"},   // advertised through its URL only
        {"104", false, 885, true, "13", "100+人付款"},     // isTmall 1
        {"101", false, 3990, true, "11", "7261人付款"},
        {"105", false, 5900, false, "14", "1000+人收货"},  // no shopcard
        {"106", false, 2550, false, "12", "月销 500"},     // isTmall 0
        {"107", false, 1200, false, "15", "已售 2000+"},   // isTmall "false"
        {"108", false, std::nullopt, false, "16", ""},     // user_id as a number
        {"102", true, 19900, false, "12", "1.2万+人付款"},
    };
    EXPECT_EQ(keys, expected);

    // Braces, an escaped quote and a backslash inside strings; escaped slashes in the URL.
    PageItem first;
    first.nid = "101";
    first.title = "南方黑芝麻糊 {买2送1} \"无糖\" 早餐\\冲饮";
    first.priceCents = 3990;
    first.salesText = "7261人付款";
    first.shop = "南方黑芝麻官方旗舰店";
    first.shopId = "11";
    first.location = "广西 南宁";
    first.comments = 5210;
    first.tmall = true;
    first.detailUrl = "//detail.tmall.com/item.htm?id=101&ns=1";
    EXPECT_EQ(page.items.at(1), first);
    EXPECT_EQ(page.items.at(2).comments, 12000);
    EXPECT_EQ(page.items.at(3).comments, std::nullopt);
    EXPECT_EQ(page.items.at(4).detailUrl, "https://click.simba.taobao.com/cc_im?p=x");

    EXPECT_EQ(page.trace.allNids, (std::vector<std::string>{"101", "103", "104", "106", "105x"}));
    EXPECT_EQ(page.trace.allOldBiz30Day,
              (std::vector<std::optional<long long>>{7500, 3100, 123, std::nullopt, 9}));
    EXPECT_EQ(page.trace.totalHits, 1522999);
    EXPECT_EQ(page.totalCount, 1523000);
    EXPECT_EQ(page.brandEntries, (std::vector<std::string>{"NANFANG BLACK SESAME/南方黑芝麻", "智力/ZHILI",
                                                           "五谷磨房", "Nike/耐克", "A/阿"}));
}

TEST(SearchPageReader, FieldsOfAnotherTypeGiveWhatTheyCanAndEmptyForTheRest) {
    const SearchPage page = readFixturePage("odd-types.html");
    ASSERT_EQ(page.items.size(), 4u); // the entry that is no object is left out
    const PageItem &numbers = page.items[0];
    EXPECT_EQ(numbers.nid, "201");
    EXPECT_EQ(numbers.title, "");
    EXPECT_EQ(numbers.priceCents, 990);
    EXPECT_EQ(numbers.salesText, "15");
    EXPECT_EQ(numbers.shop, "");
    EXPECT_EQ(numbers.shopId, "");
    EXPECT_FALSE(numbers.tmall); // shopcard is a text
    EXPECT_FALSE(numbers.p4p);   // "0"
    EXPECT_EQ(numbers.detailUrl, "");

    const PageItem &texts = page.items[1];
    EXPECT_EQ(texts.nid, "202");
    EXPECT_EQ(texts.priceCents, 129950); // "¥ 1,299.5"
    EXPECT_EQ(texts.shopId, "7");
    EXPECT_TRUE(texts.tmall); // "TRUE"
    EXPECT_EQ(texts.comments, 1024);
    EXPECT_TRUE(page.items[2].p4p); // "true"
    EXPECT_TRUE(page.items[3].p4p); // "1"
    EXPECT_EQ(page.items[3].priceCents, std::nullopt);

    // Trace lists as comma-separated texts; the pager's data is no object.
    EXPECT_EQ(page.trace.allNids, (std::vector<std::string>{"201", "202"}));
    EXPECT_EQ(page.trace.allOldBiz30Day, (std::vector<std::optional<long long>>{30, std::nullopt}));
    EXPECT_EQ(page.trace.totalHits, 4321);
    EXPECT_EQ(page.totalCount, std::nullopt);
    // nav.common is no list; the 品牌 group of nav.adv counts, entries without text left out.
    EXPECT_EQ(page.brandEntries, std::vector<std::string>{"甲乙"});
}

TEST(SearchPageReader, APageWithoutResultsReadsAsEmpty) {
    const SearchPage page = readFixturePage("no-results.html");
    EXPECT_TRUE(page.items.empty());
    EXPECT_EQ(page.trace.totalHits, 0);
    EXPECT_EQ(page.totalCount, std::nullopt);
    EXPECT_EQ(page.brandEntries, std::nullopt);
}

TEST(SearchPageReader, TellsVerificationPagesAndBrokenConfigsApart) {
    struct Case {
        std::string what;
        std::string html;
        SearchPageErrorKind kind;
    };
    const Case cases[] = {
        {"login page", competitionFixture("login-page.html"), SearchPageErrorKind::NoPageConfig},
        {"empty", "", SearchPageErrorKind::NoPageConfig},
        {"name only", "<script>var a = g_page_config;</script>", SearchPageErrorKind::NoPageConfig},
        {"no object", "<script>g_page_config = null;</script>", SearchPageErrorKind::NoPageConfig},
        {"longer name", "<script>g_page_configs = {\"mods\":{}};</script>", SearchPageErrorKind::NoPageConfig},
        {"no end", "<script>g_page_config = {\"mods\":{\"a\":\"}\"}", SearchPageErrorKind::NotJson},
        {"bad value", "<script>g_page_config = {\"mods\": };</script>", SearchPageErrorKind::NotJson},
        {"script quotes", "<script>g_page_config = {'mods': 1};</script>", SearchPageErrorKind::NotJson},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const SearchPageResult read = readSearchPage(c.html);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().kind, c.kind);
    }
    const SearchPageError noConfig{SearchPageErrorKind::NoPageConfig, {}};
    EXPECT_THAT(describe(noConfig), testing::HasSubstr("verification"));
    EXPECT_NE(describe(noConfig), describe(SearchPageError{SearchPageErrorKind::NotJson, {}}));
    EXPECT_NE(describe(noConfig), describe(SearchPageError{SearchPageErrorKind::TooLarge, {}}));
}

TEST(SearchPageReader, ReadsAPageOfEightMegabytesAndRefusesALargerOne) {
    const std::string config = "<script>g_page_config = {\"mods\":{\"pager\":{\"data\":{\"totalCount\":\"7\"}}}};";
    std::string page = config + std::string(kMaxSearchPageBytes - config.size() - 9, ' ') + "</script>";
    ASSERT_EQ(page.size(), 8u * 1024 * 1024);
    const SearchPageResult read = readSearchPage(page);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->totalCount, 7);
    page += '\n';
    const SearchPageResult larger = readSearchPage(page);
    ASSERT_FALSE(larger.ok());
    EXPECT_EQ(larger.error().kind, SearchPageErrorKind::TooLarge);
}

TEST(PageConfigLocation, EndsAtTheMatchingBraceOutsideStrings) {
    struct Case {
        std::string html;
        std::string json; // "" when not found
        bool closed = true;
    };
    const Case cases[] = {
        {R"(g_page_config = {"a":"}"}; var b = {};)", R"({"a":"}"})"},
        {R"(g_page_config={"a":"\"}"};)", R"({"a":"\"}"})"},
        {R"(g_page_config = {"a":"\\"}, "b": "}";)", R"({"a":"\\"})"},
        {R"(g_page_config = {"a":{"b":[{"c":"{{"}]},"d":1}};)", R"({"a":{"b":[{"c":"{{"}]},"d":1})"},
        {"window.g_page_config =\n\t{\"a\":1}\n;", R"({"a":1})"},
        {R"(if (g_page_config) {} my_g_page_config = {"x":2}; g_page_config = {"x":3};)", R"({"x":3})"},
        {R"(my_g_page_config = {"x":2};)", ""},
        {R"(g_page_config = {"a":"{")", R"({"a":"{")", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.html);
        const PageConfigText found = findPageConfig(c.html);
        EXPECT_EQ(found.found, !c.json.empty());
        EXPECT_EQ(found.json, c.json);
        if (found.found) {
            EXPECT_EQ(found.closed, c.closed);
        }
    }
}

TEST(PageTexts, SalesCountsOfEveryFormTheMarketplaceWrites) {
    const std::pair<std::string_view, std::optional<long long>> cases[] = {
        {"7261人付款", 7261},     {"1.2万+人付款", 12000}, {"3千+人付款", 3000},
        {"100+人付款", 100},      {"1000+人收货", 1000},   {"月销 500", 500},
        {"已售 2000+", 2000},     {"", std::nullopt},      {"人付款", std::nullopt},
        {"10万+人付款", 100000},  {"2.35万人付款", 23500}, {"1.25千+", 1250},
        {"1,234人付款", 1234},    {"0人付款", 0},          {"月销 3 万+", 30000},
        {"9999999999999人付款", std::nullopt}, // more digits than any count
    };
    for (const auto &[text, sales] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(salesInText(text), sales);
    }
}

TEST(PageTexts, PricesInCents) {
    const std::pair<std::string_view, std::optional<long long>> cases[] = {
        {"39.90", 3990}, {"39.9", 3990},  {"59", 5900},          {"200-600", 20000},
        {"0.01", 1},     {"1.005", 101},  {"1.0049", 100},       {"¥ 1,299.5", 129950},
        {"", std::nullopt}, {"abc", std::nullopt}, {"12.", 1200},
    };
    for (const auto &[text, cents] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(priceCentsInText(text), cents);
    }
}

} // namespace
