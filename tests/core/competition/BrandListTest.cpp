#include "core/competition/BrandList.h"
#include "tests/core/competition/CompetitionPages.h"

#include <gtest/gtest.h>

using namespace orbisel::core;
using orbisel::test::readFixturePage;

namespace orbisel::core {
void PrintTo(const BrandMatch &m, std::ostream *out) {
    *out << m.entry << " by " << m.alias;
}
} // namespace orbisel::core

namespace {

using Aliases = std::vector<std::string>;

TEST(BrandAliases, BothSidesOfTheSlashTrimmedAndNoneShorterThanTwoCharacters) {
    const std::pair<std::string_view, Aliases> cases[] = {
        {"NANFANG BLACK SESAME/南方黑芝麻", {"NANFANG BLACK SESAME", "南方黑芝麻"}},
        {" Nike / 耐克 ", {"Nike", "耐克"}},
        {"五谷磨房", {"五谷磨房"}},
        {"K/可比克", {"可比克"}},
        {"A/阿", {}},
        {"AC/DC", {"AC", "DC"}},
        {"\xE3\x80\x80百草味\xC2\xA0", {"百草味"}},
        {"/", {}},
        {"", {}},
    };
    for (const auto &[entry, aliases] : cases) {
        SCOPED_TRACE(entry);
        EXPECT_EQ(brandAliases(entry), aliases);
    }
}

TEST(BrandAliases, AnAsciiAliasIsNotFoundInsideALongerRunOfLetters) {
    struct Case {
        std::string_view word;
        std::string_view alias;
        bool contains;
    };
    const Case cases[] = {
        {"nike鞋", "Nike", true},
        {"NIKE", "nike", true},
        {"nike2024 跑鞋", "NIKE", true},
        {"2024nike", "nike", true},
        {"nike air", "nike", true},
        {"nikeair", "nike", false},
        {"airnike", "nike", false},
        {"anikea nike", "nike", true}, // the second occurrence stands alone
        {"耐克鞋", "耐克", true},
        {"耐鞋", "耐克", false},
        {"nanfang black sesame粉", "NANFANG BLACK SESAME", true},
        {"jj小鸟 玩具", "JJ小鸟", true},
        {"ajj小鸟", "JJ小鸟", false},
        {"", "nike", false},
        {"nike", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.word) + " / " + std::string(c.alias));
        EXPECT_EQ(containsAlias(c.word, c.alias), c.contains);
    }
}

TEST(BrandList, FindsThePageBrandsInWords) {
    const SearchPage page = readFixturePage("results-page.html");
    ASSERT_TRUE(page.brandEntries.has_value());
    const BrandList brands(*page.brandEntries);
    EXPECT_EQ(brands.size(), 4u); // "A/阿" has no alias of two characters
    const std::pair<std::string_view, std::optional<BrandMatch>> cases[] = {
        {"南方黑芝麻糊", BrandMatch{"NANFANG BLACK SESAME/南方黑芝麻", "南方黑芝麻"}},
        {"nanfang black sesame 黑芝麻糊", BrandMatch{"NANFANG BLACK SESAME/南方黑芝麻", "NANFANG BLACK SESAME"}},
        {"zhili黑芝麻糊", BrandMatch{"智力/ZHILI", "ZHILI"}},
        {"zhilian黑芝麻", std::nullopt},
        {"五谷磨房黑芝麻糊", BrandMatch{"五谷磨房", "五谷磨房"}},
        {"耐克 运动鞋", BrandMatch{"Nike/耐克", "耐克"}},
        {"阿胶", std::nullopt},
        {"黑芝麻糊", std::nullopt},
    };
    for (const auto &[word, match] : cases) {
        SCOPED_TRACE(word);
        EXPECT_EQ(brands.brandIn(word), match);
    }
}

TEST(BrandList, TheLongestAliasWinsAndTheEarlierEntryOnATie) {
    const BrandList brands({"南方", "NANFANG BLACK SESAME/南方黑芝麻", "SESAME", "XIAOMI/小米", "小米"});
    const std::pair<std::string_view, BrandMatch> cases[] = {
        {"南方黑芝麻糊", {"NANFANG BLACK SESAME/南方黑芝麻", "南方黑芝麻"}},
        {"南方芝麻", {"南方", "南方"}},
        {"sesame 南方", {"SESAME", "SESAME"}}, // six characters against two
        {"nanfang black sesame", {"NANFANG BLACK SESAME/南方黑芝麻", "NANFANG BLACK SESAME"}},
        {"小米粥", {"XIAOMI/小米", "小米"}},
    };
    for (const auto &[word, match] : cases) {
        SCOPED_TRACE(word);
        EXPECT_EQ(brands.brandIn(word), match);
    }
}

TEST(BrandList, OwnBrandsAreNeverFlaggedAndNotBrandsAreRemoved) {
    const std::vector<std::string> entries = {"NANFANG BLACK SESAME/南方黑芝麻", "XIAOMI/小米", "五谷磨房",
                                              "nike/耐克", "NIKE/耐克", "Nike/耐克 "};
    const BrandList brands(entries, {"南方黑芝麻"}, {"小米", "五谷磨房"});
    EXPECT_EQ(brands.size(), 2u); // XIAOMI and one Nike
    EXPECT_EQ(brands.brandIn("nanfang black sesame 黑芝麻糊"), std::nullopt); // the own brand's other alias
    EXPECT_EQ(brands.brandIn("南方黑芝麻糊"), std::nullopt);
    EXPECT_EQ(brands.brandIn("小米粥"), std::nullopt);
    EXPECT_EQ(brands.brandIn("xiaomi 手机"), (BrandMatch{"XIAOMI/小米", "XIAOMI"}));
    EXPECT_EQ(brands.brandIn("五谷磨房黑芝麻糊"), std::nullopt);
    EXPECT_EQ(brands.brandIn("耐克鞋"), (BrandMatch{"nike/耐克", "耐克"}));
}

} // namespace
