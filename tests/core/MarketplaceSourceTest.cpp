#include "core/marketplace/MarketplaceSource.h"

#include "MarketplaceServer.h"
#include "web/Clock.h"
#include "web/Encoding.h"

#include <ctime>
#include <gtest/gtest.h>
#include <optional>

using namespace orbisel;
using orbisel::test::MarketplaceServer;
using orbisel::test::MarketplaceServerTest;
using orbisel::test::utf8Words;

namespace {

using Words = std::optional<std::vector<std::string>>;

Text g(const std::string &utf8) {
    return utf8ToGbk(utf8);
}

class MarketplaceSourceTest : public MarketplaceServerTest {
protected:
    MarketplaceSource source{server->endpoints()};
};

TEST_F(MarketplaceSourceTest, requests_spellUrlsByteForByte) {
    // 2024-03-05 14:07:09.123 local time.
    std::tm fields{};
    fields.tm_year = 124;
    fields.tm_mon = 2;
    fields.tm_mday = 5;
    fields.tm_hour = 14;
    fields.tm_min = 7;
    fields.tm_sec = 9;
    fields.tm_isdst = -1;
    std::tm local = fields;
    const std::time_t t = std::mktime(&local);
    setClockForTesting(
        [t] { return std::chrono::system_clock::from_time_t(t) + std::chrono::milliseconds(123); });
    // Seconds from local 1970-01-01 08:00:00, then the milliseconds.
    const std::string ts = std::to_string((timegm(&fields) - 8 * 3600) * 1000LL + 123);
    ASSERT_EQ(ts.size(), 13u);

    const struct {
        std::string seed, q;
    } cases[] = {
        {"帽 女", "%E5%B8%BD%20%E5%A5%B3"},
        {"", ""},
        {"a-1.B&", "%61%2D%31%2E%42%26"},
    };
    std::vector<std::string> expected;
    for (const auto &c : cases) {
        source.pcSuggestRequest(g(c.seed));
        source.mobileSuggestRequest(g(c.seed));
        source.relatedRequest(g(c.seed));
        expected.push_back("GET /sug?code=utf-8&q=" + c.q + "&_ksTS=" + ts +
                           "_3909&callback=&k=1&area=c2c&bucketid=11 HTTP/1.1");
        expected.push_back("GET /sug?q=" + c.q + "&code=utf-8&area=c2c&nick=&sid=null&callback= HTTP/1.1");
        expected.push_back(
            "GET /search?&initiative_id=staobaoz_20240305&q=" + c.q +
            "&suggest=history_1&_input_charset=utf-8&wq=&suggest_query=&source=suggest HTTP/1.1");
    }
    setClockForTesting({});
    EXPECT_EQ(server->requestLines(), expected);
    EXPECT_EQ(source.mobileSuggestUrl("x"),
              "https://" + server->host() + "/sug?q=%78&code=utf-8&area=c2c&nick=&sid=null&callback=");
    EXPECT_EQ(MarketplaceSource(MarketplaceEndpoints{"suggest.example", "search.example"})
                  .relatedUrl("")
                  .rfind("https://search.example/search?&initiative_id=staobaoz_", 0),
              0u);
}

TEST_F(MarketplaceSourceTest, pcArrow_followsGroupsNamingTheSuggestion_readsThePcAnswerAfterOtherParses) {
    const Words words = utf8Words(source.pcSuggest(source.pcSuggestRequest(g("连衣裙"))));
    ASSERT_EQ(words, (std::vector<std::string>{"连衣裙女", "连衣裙夏"}));
    // The other answers are parsed into a document of their own.
    ASSERT_TRUE(source.mobileSuggest(source.mobileSuggestRequest(g("连衣裙"))));
    ASSERT_TRUE(source.related(source.relatedRequest(g("连衣裙"))));

    auto arrows = [&](int i, const std::string &word) { return utf8Words(source.pcArrow(i, g(word))); };
    // Groups with index "1" and 1 in group order, rows then entries; titles unchanged.
    EXPECT_EQ(arrows(0, "连衣裙女"),
              (std::vector<std::string>{"连衣裙女长款", "连衣裙女短款", "连衣裙女雪纺", "连衣裙女 韩版"}));
    EXPECT_EQ(arrows(1, "连衣裙夏"), (std::vector<std::string>{"连衣裙夏碎花"}));
    // Groups 0 and 3 name no suggestion of this answer (it has two).
    EXPECT_EQ(arrows(-1, "x"), (std::vector<std::string>{"x零号组"}));

    // An answer without magic has no arrow words.
    ASSERT_TRUE(source.pcSuggest(source.pcSuggestRequest(g("帽 女"))));
    EXPECT_EQ(arrows(0, "帽子女冬"), std::vector<std::string>{});
}

enum class Kind { Pc, Mobile, LongTail };

TEST_F(MarketplaceSourceTest, suggestions_cleanMarkupAndSpaces_failOnAnswersThatAreNotJson) {
    const struct {
        Kind kind;
        std::string keyword;
        Words words;
    } cases[] = {
        {Kind::Pc, "帽 女", std::vector<std::string>{"帽子女冬", "毛线帽"}}, // <B>, </b>, spaces
        {Kind::Mobile, "连衣裙", std::vector<std::string>{"连衣裙长款", "连衣裙短"}},
        {Kind::LongTail, "连衣裙长款", std::vector<std::string>{"连衣裙长款 夏季", "连衣裙长款  显瘦 "}},
        {Kind::LongTail, "连衣裙短", std::vector<std::string>{"连衣裙短 裤"}},
        {Kind::Pc, "空", std::vector<std::string>{}},     // empty result
        {Kind::Pc, "无结果", std::vector<std::string>{}}, // no result member
        {Kind::Mobile, "帽女冬", std::vector<std::string>{}},
        {Kind::Pc, "慢", std::vector<std::string>{"慢词"}}, // a slow answer is waited for
        {Kind::Pc, "回调", std::nullopt},                   // JSON wrapped in a callback
        {Kind::Mobile, "回调", std::nullopt},
        {Kind::Pc, "错误", std::nullopt}, // HTML error page
        {Kind::LongTail, "尾错一", std::nullopt},
        {Kind::Pc, "断开", std::nullopt}, // connection closed without an answer
        {Kind::Mobile, "断开", std::nullopt},
    };
    for (const auto &c : cases) {
        const Text keyword = g(c.keyword);
        std::optional<TextArray> words;
        switch (c.kind) {
        case Kind::Pc:
            words = source.pcSuggest(source.pcSuggestRequest(keyword));
            break;
        case Kind::Mobile:
            words = source.mobileSuggest(source.mobileSuggestRequest(keyword));
            break;
        case Kind::LongTail:
            words = source.longTail(source.mobileSuggestRequest(keyword));
            break;
        }
        EXPECT_EQ(utf8Words(words), c.words) << c.keyword << " kind " << static_cast<int>(c.kind);
    }
}

TEST_F(MarketplaceSourceTest, related_readsFirstCaseExactBlock_wordsUnchanged) {
    const struct {
        std::string seed;
        Words words;
    } cases[] = {
        {"连衣裙", std::vector<std::string>{"连衣裙 女 夏", "<b>长裙</b>", ""}},
        {"首个", std::vector<std::string>{"甲"}}, // "Related" first, then two blocks
        {"帽 女", std::nullopt},                  // page without the block
        {"坏块", std::nullopt},                   // block that is not JSON
        {"错误", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(utf8Words(source.related(source.relatedRequest(g(c.seed)))), c.words) << c.seed;
}

TEST_F(MarketplaceSourceTest, unreachableHosts_giveEmptyAnswersAndFailedExtractions) {
    const std::string down = "127.0.0.1:" + std::to_string(orbisel::test::unusedPort());
    MarketplaceSource offline(MarketplaceEndpoints{down, down});
    const Text seed = g("连衣裙");
    EXPECT_EQ(offline.pcSuggestRequest(seed), "");
    EXPECT_FALSE(offline.pcSuggest(offline.pcSuggestRequest(seed)));
    EXPECT_FALSE(offline.mobileSuggest(offline.mobileSuggestRequest(seed)));
    EXPECT_FALSE(offline.longTail(offline.mobileSuggestRequest(seed)));
    EXPECT_FALSE(offline.related(offline.relatedRequest(seed)));
}

} // namespace
